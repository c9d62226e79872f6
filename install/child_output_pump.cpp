#include "install/child_output_pump.h"

#include "utils/child_output_reader.h"

namespace Install {

namespace {

// Pause between looks at an idle child; the wait ends early when the child ends.
constexpr DWORD kIdlePollMs = 50;
// After the end only what the child left in the pipe is read; a grandchild that inherited the
// pipe and goes on writing must not keep the reader here for ever.
constexpr int kMaxChunksAfterExit = 1024;

}  // namespace

void PumpChildOutput(Utils::ChildProcess& child, const std::function<void(const std::string& line)>& onLine) {
  Utils::ChildOutputReader reader;
  std::string line;
  int chunksAfterExit = 0;
  for (;;) {
    // Taken before reading: everything the child wrote before it ended is then read below.
    const bool exited = child.HasExited();
    const bool gotOutput = reader.ReadChunk(child.OutputReadEnd()) == Utils::ChildOutputReader::ReadStatus::kData;
    while (reader.NextLine(line)) onLine(line);
    const bool gotError =
        Utils::ChildOutputReader::DiscardChunk(child.ErrorReadEnd()) == Utils::ChildOutputReader::ReadStatus::kData;
    if (exited) {
      if ((gotOutput || gotError) && ++chunksAfterExit < kMaxChunksAfterExit) continue;
      if (reader.TakeUnfinishedLine(line)) onLine(line);
      return;
    }
    if (!gotOutput && !gotError) child.WaitForExit(kIdlePollMs);
  }
}

ChildEnd WaitForEnd(Utils::ChildProcess& child) {
  ::WaitForSingleObject(child.Process(), INFINITE);
  ChildEnd end;
  end.known = child.ExitCode(&end.code);
  child.Close();
  return end;
}

}  // namespace Install
