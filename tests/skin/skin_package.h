// The skin as the installer ships it, read without the UI framework: the executable's resources,
// the 7z archive inside it (through the LZMA SDK's reader) and the skin folder of the sources.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace SkinTests {

constexpr int kSkinArchiveId = 147;  // resource type "ZIPRES"
constexpr int kProductIconId = 145;

std::wstring InstallerPath();

// One resource of the installer executable, loaded as a data file; empty when it is missing.
std::string InstallerResource(const wchar_t* type, const wchar_t* name);

struct ArchiveEntry {
  std::string name;  // UTF-8, as stored ("/" separators)
  bool folder = false;
  std::string bytes;
};

// Every entry of a 7z archive held in memory, in archive order. False, with a reason, when the
// bytes are no 7z archive or an entry cannot be extracted.
bool ReadSevenZip(const std::string& archive, std::vector<ArchiveEntry>* entries, std::string* error);

// The files of the skin folder in the source tree that the build packs: the layouts at its top
// and everything below res/, by archive name ("res/mainWnd/bg1.png").
std::map<std::string, std::string> SourceSkinFiles();
// Every file below a folder, by its path relative to the folder with "/" separators, each name
// preceded by `prefix`.
std::map<std::string, std::string> FilesBelow(const std::wstring& folder, const std::string& prefix);

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgba;
};
// Decodes an image file the way the framework does: stb_image, four components.
bool DecodeImage(const std::string& bytes, Pixels* pixels);

// The embedded archive, read once for all tests: file name -> bytes (folders left out).
struct ShippedSkin {
  std::string archive;  // the resource's bytes
  std::vector<ArchiveEntry> entries;
  std::map<std::string, std::string> files;
  std::string error;
};
const ShippedSkin& Shipped();

}  // namespace SkinTests
