#include "support/trace.h"

#include <utility>

namespace velkor {

namespace {

struct TraceState {
  TraceBackend* backend = nullptr;
  bool enabled = false;
  std::string indent = "   ";
  std::string log_file;  // empty until first use
};

TraceState& State() {
  static TraceState state;
  return state;
}

}  // namespace

void SetTraceBackend(TraceBackend* backend) {
  State().backend = backend;
  State().log_file.clear();
}

bool TracingEnabled() { return State().enabled; }
void SetTracingEnabled(bool enabled) { State().enabled = enabled; }

void SetTraceIndent(const std::string& indent) { State().indent = indent; }
const std::string& TraceIndent() { return State().indent; }

std::string TraceLogFileName() {
  TraceState& s = State();
  if (s.log_file.empty() && s.backend) s.log_file = TraceLogFileNameFor(s.backend->ProgramPath());
  return s.log_file;
}

void DebugTrace(const std::string& text) {
  TraceState& s = State();
  if (!s.enabled || !s.backend) return;
  std::string line = FormatTraceLine(s.backend->Stamp(), s.backend->ThreadId(), s.indent, text);
  s.backend->AppendToFile(TraceLogFileName(), line);
}

void ViewerWriteText(std::string line) {
  TraceBackend* backend = State().backend;
  if (!backend) return;
  line.push_back('\n');
  backend->SendViewerPieces(CutViewerPieces(line));
}

std::string FormatTraceLine(const std::string& stamp, std::uint32_t thread_id,
                            const std::string& indent, const std::string& message) {
  std::string id = std::to_string(thread_id);
  if (id.size() < 5) id.insert(0, 5 - id.size(), ' ');
  std::string line;
  line.reserve(stamp.size() + 1 + id.size() + indent.size() + message.size() + 2);
  line.append(stamp).append(" ").append(id).append(indent).append(message).append("\r\n");
  return line;
}

std::string TraceLogFileNameFor(const std::string& program_path) {
  std::size_t cut = program_path.find_last_of("\\/:");
  std::size_t name_start = cut == std::string::npos ? 0 : cut + 1;
  std::string folder = program_path.substr(0, name_start);
  std::string name = program_path.substr(name_start);
  std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  if (name.compare(0, 2, "X_") != 0) name.insert(0, "X_");
  return folder + name + ".log";
}

std::vector<std::string> CutViewerPieces(const std::string& text) {
  std::vector<std::string> pieces;
  for (std::size_t at = 0; at < text.size(); at += kViewerPieceSize)
    pieces.push_back(text.substr(at, kViewerPieceSize));
  return pieces;
}

}  // namespace velkor
