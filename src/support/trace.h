#pragma once
// The two diagnostic outputs of the stub.
//
// The trace log is a text file beside the program ("X_" + its name, extension ".log") that an
// agent writes one time-stamped line into per DebugTrace call, and only when start-up switched
// tracing on. The viewer channel is always written, one line at a time, and reaches an external
// debug viewer window when one runs; otherwise its lines are dropped.
//
// This file is portable: the formats and the cutting of viewer lines into pieces live here, and
// everything that asks Windows (clock, thread id, own path, file append, the viewer window) goes
// through a TraceBackend. Until a backend is installed (support/trace_win.h does it on Windows)
// both outputs are silently dropped, which is also what host tests see by default.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace velkor {

// Everything the outputs need from the platform.
class TraceBackend {
 public:
  virtual ~TraceBackend() = default;
  // Local date and time in the trace log's stamp form ("dd/mm/yy HH:NN:SS", system separators).
  virtual std::string Stamp() = 0;
  virtual std::uint32_t ThreadId() = 0;
  // Full path of the running program; the log file name is derived from it.
  virtual std::string ProgramPath() = 0;
  // Opens (creating when missing), appends and closes; failures are ignored.
  virtual void AppendToFile(const std::string& path, const std::string& bytes) = 0;
  // Hands the pieces of one line to the viewer window, in order; drops them when none runs.
  virtual void SendViewerPieces(const std::vector<std::string>& pieces) = 0;
};

// Installs the backend both outputs go through; nullptr drops everything. The backend must
// outlive its use. Resets the cached log file name.
void SetTraceBackend(TraceBackend* backend);

// Process-wide switch for the trace log; off until start-up decides, once.
bool TracingEnabled();
void SetTracingEnabled(bool enabled);

// The 3-character column between thread id and message: "   " by default, " X " in the
// agent's transient copy so both copies can share one log file.
void SetTraceIndent(const std::string& indent);
const std::string& TraceIndent();

// Full path of the trace log, computed from the program path on first use and kept.
std::string TraceLogFileName();

// Appends one line to the trace log when tracing is enabled; does nothing otherwise.
void DebugTrace(const std::string& text);

// Writes `line` plus LF to the viewer channel.
void ViewerWriteText(std::string line);

// --- formats (pure) ---

// One trace log line: stamp, blank, thread id right-aligned to at least 5 places, indent,
// message, CR LF.
std::string FormatTraceLine(const std::string& stamp, std::uint32_t thread_id,
                            const std::string& indent, const std::string& message);

// "X_" + the program's file name (unless it already starts with "X_", case-sensitive), with its
// extension replaced by ".log", in the program's folder. An agent and its transient "X_" copy
// therefore write to the same file.
std::string TraceLogFileNameFor(const std::string& program_path);

// The viewer takes text in pieces of at most this many characters.
inline constexpr std::size_t kViewerPieceSize = 128;

// Cuts the characters of a line (its LF included) into pieces of kViewerPieceSize, the last one
// shorter; an empty text gives no pieces.
std::vector<std::string> CutViewerPieces(const std::string& text);

// --- ViewerWriteLine: callers build lines from texts and numbers ---

namespace trace_detail {
inline void AppendPart(std::string& out, std::string_view part) { out.append(part); }
inline void AppendPart(std::string& out, const char* part) { out.append(part ? part : ""); }
inline void AppendPart(std::string& out, char part) { out.push_back(part); }
template <typename T>
  requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>)
void AppendPart(std::string& out, T number) {
  out.append(std::to_string(number));
}
// Booleans are written through BoolToText so the line says "TRUE"/"FALSE", never "1".
void AppendPart(std::string& out, bool) = delete;
}  // namespace trace_detail

// Writes the concatenated parts and a line feed to the viewer channel. Parts are texts, single
// characters and integers (decimal, no padding), e.g. ViewerWriteLine(pid, " ==== STUB START").
template <typename... Parts>
void ViewerWriteLine(const Parts&... parts) {
  std::string line;
  (trace_detail::AppendPart(line, parts), ...);
  ViewerWriteText(std::move(line));
}

}  // namespace velkor
