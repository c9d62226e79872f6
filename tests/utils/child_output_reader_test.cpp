#include "utils/child_output_reader.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "utils/pipe.h"

namespace {

using Status = Utils::ChildOutputReader::ReadStatus;

struct Result {
  std::vector<std::string> lines;  // complete lines, in order
  std::string unfinished;
  bool hadUnfinished = false;
};

// Writes each piece into a real pipe and reads it back before the next one is written, so every
// piece arrives as reads of its own, as a child printing with pauses would deliver it.
Result ReadPieces(const std::vector<std::string>& pieces) {
  Utils::Pipe pipe;
  pipe.Create();
  Utils::ChildOutputReader reader;
  Result result;
  std::string line;
  for (const std::string& piece : pieces) {
    DWORD written = 0;
    EXPECT_TRUE(::WriteFile(pipe.WriteEnd(), piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr));
    while (reader.ReadChunk(pipe.ReadEnd()) == Status::kData) {
    }
    while (reader.NextLine(line)) result.lines.push_back(line);
  }
  pipe.CloseWriteEnd();
  EXPECT_EQ(reader.ReadChunk(pipe.ReadEnd()), Status::kClosed);
  result.hadUnfinished = reader.TakeUnfinishedLine(result.unfinished);
  return result;
}

// A long text as pieces small enough for the pipe's buffer.
std::vector<std::string> InPieces(const std::string& text) {
  std::vector<std::string> pieces;
  for (size_t i = 0; i < text.size(); i += 1000) pieces.push_back(text.substr(i, 1000));
  return pieces;
}

TEST(ChildOutputReaderTest, CutsPiecesIntoWholeLines) {
  const std::string longLine(Utils::ChildOutputReader::kMaxLineBytes + 500, 'L');
  const struct {
    const char* name;
    std::vector<std::string> pieces;
    std::vector<std::string> lines;
    std::string unfinished;
  } cases[] = {
      {"lines in one piece", {"Progress=0.5\nState=Success\n"}, {"Progress=0.5", "State=Success"}, ""},
      {"a line split in two", {"Progress=0.1\nErr", "or=disk full\n"}, {"Progress=0.1", "Error=disk full"}, ""},
      {"a line split in three", {"Mess", "age=", "x\n"}, {"Message=x"}, ""},
      {"a UTF-8 character split", {"Message=\xE4", "\xB8\xAD\n"}, {"Message=\xE4\xB8\xAD"}, ""},
      {"CRLF line ends", {"InstPath=C:\\x\r\n", "A=\r", "\n"}, {"InstPath=C:\\x", "A="}, ""},
      {"a lone CR stays", {"A=1\rB=2\n"}, {"A=1\rB=2"}, ""},
      {"empty lines", {"\n\nA\n"}, {"", "", "A"}, ""},
      {"zero bytes are skipped", {std::string("Prog\0ress=1\n", 12)}, {"Progress=1"}, ""},
      {"unfinished last line", {"State=Success\nError=late"}, {"State=Success"}, "Error=late"},
      {"unfinished last line with CR", {"Error=late\r"}, {}, "Error=late"},
      {"an overlong line is cut",
       InPieces(longLine + "\nA=1\n"),
       {std::string(Utils::ChildOutputReader::kMaxLineBytes, 'L'), "A=1"},
       ""},
  };
  for (const auto& c : cases) {
    const Result result = ReadPieces(c.pieces);
    EXPECT_EQ(result.lines, c.lines) << c.name;
    EXPECT_EQ(result.unfinished, c.unfinished) << c.name;
    EXPECT_EQ(result.hadUnfinished, !c.unfinished.empty()) << c.name;
  }
}

TEST(ChildOutputReaderTest, ReadsAtMostOneChunkAndNeverBlocks) {
  Utils::Pipe pipe;
  pipe.Create();
  Utils::ChildOutputReader reader;
  EXPECT_EQ(reader.ReadChunk(pipe.ReadEnd()), Status::kEmpty) << "an empty pipe must not block";

  const std::string bytes(2500, 'a');
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(pipe.WriteEnd(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  DWORD available = 0;
  int reads = 0;
  while (reader.ReadChunk(pipe.ReadEnd()) == Status::kData) {
    ++reads;
    ASSERT_TRUE(::PeekNamedPipe(pipe.ReadEnd(), nullptr, 0, nullptr, &available, nullptr));
    EXPECT_EQ(available, bytes.size() - std::min<size_t>(bytes.size(), reads * Utils::ChildOutputReader::kChunkSize));
  }
  EXPECT_EQ(reads, 3);
  EXPECT_EQ(Utils::ChildOutputReader::DiscardChunk(pipe.ReadEnd()), Status::kEmpty);
  pipe.CloseWriteEnd();
  EXPECT_EQ(Utils::ChildOutputReader::DiscardChunk(pipe.ReadEnd()), Status::kClosed);
  EXPECT_EQ(reader.ReadChunk(nullptr), Status::kClosed);
}

}  // namespace
