// Texts that other programs hand us on the command line: the start-up's switch values and names,
// and the process names that the finder matches.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "process/name_match.h"
#include "support/text.h"
#include "stub/run_mode.h"
#include "support/switches.h"

using namespace velkor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider fdp(data, size);
  const std::string a = fdp.ConsumeRandomLengthString(256);
  const std::string b = fdp.ConsumeRandomLengthString(256);
  const std::string tail = fdp.ConsumeRandomLengthString(1024);
  const bool flag = fdp.ConsumeBool();

  // Switches are looked up in whatever tail another program passed.
  const std::string own_tail = GetCommandTail(tail, a);
  VELKOR_FUZZ_CHECK(own_tail.size() <= tail.size());
  (void)HasSwitch(tail, b);
  const std::string value = GetSwitchValue(tail, b);
  VELKOR_FUZZ_CHECK(value == "TRUE" || value.size() <= tail.size());
  (void)GetSwitchInt(tail, b, -1);

  std::int64_t window = -1, message = -1;
  ParseWmMsgValue(a, &window, &message);

  VELKOR_FUZZ_CHECK(FileTitleNoExtensions(a).size() <= a.size());
  VELKOR_FUZZ_CHECK(FileNameOfPath(a).size() <= a.size());
  const std::string cls = MainWindowClassName(flag, a);
  VELKOR_FUZZ_CHECK(!flag || cls.rfind(".AutoUpdate.", 0) == 0);
  const AgentRole role = ClassifyAgent(flag, a, b);
  VELKOR_FUZZ_CHECK(flag || (!role.plain && !role.transient));
  VELKOR_FUZZ_CHECK(!(role.plain && role.transient));
  (void)SpanRelaunchArguments(tail, a);

  ParamSwitches sw;
  sw.stop = fdp.ConsumeIntegral<std::int64_t>();
  sw.test = fdp.ConsumeIntegral<std::int64_t>();
  sw.wm_msg = b;
  sw.transient = fdp.ConsumeRandomLengthString(64);
  (void)PlanHandleParam(sw, a, fdp.ConsumeBool(), fdp.ConsumeBool());

  VELKOR_FUZZ_CHECK(SameProcessName(a, a));
  VELKOR_FUZZ_CHECK(SameProcessName(a, b) == SameProcessName(b, a));
  VELKOR_FUZZ_CHECK(FileNamePart(a).size() <= a.size());
  VELKOR_FUZZ_CHECK(StripPathQuotes(a).size() <= a.size());
  ProcessQuery query{a, b, flag};
  ProcessCandidate candidate{b, FileNamePart(b), fdp.ConsumeRandomLengthString(64)};
  if (a.empty()) VELKOR_FUZZ_CHECK(!ProcessMatches(query, candidate));
  VELKOR_FUZZ_CHECK(!ProcessMatches(query, ProcessCandidate{}));
  return 0;
}
