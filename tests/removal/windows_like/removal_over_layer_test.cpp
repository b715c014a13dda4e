// The removal over the Windows-like layer: what Windows does and Wine
// doesn't (listing-denied junctions, delete-pending files, sharing
// violations, volumes with and without POSIX-semantics delete, withheld
// write-attributes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "platform/win32/removal/nt_file.h"
#include "platform/win32/removal/removal_front.h"
#include "removal/removal_test_support.h"
#include "removal/windows_like/windows_like.h"

namespace brim::testing::windows_like {
namespace {

namespace win32 = brim::platform::win32;

// Paths in a case: "%" is the case's folder on the test drive, "~" a folder
// of the same name reached through Z: (Wine's view of "/"), on no other
// drive: another volume to the layer. Entries of trees starting with "~"
// lie there.
struct Target {
  bool folder;
  const wchar_t* path;
  unsigned long error;
};

struct RemovalCase {
  const char* name;
  const wchar_t* config;  // "%" and "~" below their drives
  Tree tree;              // under the case's folder
  Tree marked_before;     // marked for deletion through the layer before the removal
  std::vector<Target> targets;
  Tree gone;
  Tree kept;
  bool at_drive_root = false;  // "%" is the drive itself (for profile rows)
};

void PrintTo(const RemovalCase& c, std::ostream* os) { *os << c.name; }

const wchar_t* const kLs = L"Documents and Settings\\U\\Local Settings";

std::wstring Expand(const std::wstring& text, const std::wstring& w, const std::wstring& z) {
  std::wstring out;
  for (const wchar_t c : text) {
    out += c == L'%' ? w : c == L'~' ? z : std::wstring(1, c);
  }
  return out;
}

std::wstring ZFolder(const std::wstring& w_folder) {
  const char* dir = std::getenv("BRIM_TEST_DRIVE_DIR");
  std::wstring z = L"Z:";
  for (const char* p = dir != nullptr ? dir : ""; *p != '\0'; ++p) {
    z += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  }
  z += L"-elsewhere-" + std::to_wstring(::GetCurrentProcessId());
  MakeDir(z);
  MakeDir(z + w_folder.substr(2));
  return z + w_folder.substr(2);
}

// The entries of `tree` on the test drive (`other` false) or on Z: (true), as MakeTree takes them.
Tree Part(const Tree& tree, bool other) {
  Tree out;
  for (const std::wstring& e : tree) {
    if ((!e.empty() && e.front() == L'~') == other) {
      out.push_back(other ? e.substr(1) : e);
    }
  }
  return out;
}

std::vector<RemovalCase> Cases() {
  const std::wstring ls = kLs;
  return {
      {"PlainTreeOnAWholeVolume",
       L"",
       {L"Temp\\", L"Temp\\a.tmp", L"!Temp\\ro.tmp", L"Temp\\sub\\", L"!Temp\\sub\\", L"Temp\\sub\\b.tmp"},
       {},
       {{true, L"%\\Temp", 0}},
       {L"Temp"},
       {}},
      {"ReadOnlyItemsOnAVolumeWithoutTheExtendedDelete",
       L"no-posix=W",
       {L"Temp\\", L"!Temp\\ro.tmp", L"Temp\\sub\\", L"!Temp\\sub\\", L"Temp\\sub\\b.tmp", L"Logs\\",
        L"Logs\\a.log"},
       {},
       {{true, L"%\\Temp", 0}, {false, L"%\\Logs\\*.log", 0}},
       {L"Temp", L"Logs\\a.log"},
       {L"Logs"}},
      {"Rows7And22And25And26ThroughAListingDeniedLocalSettings",
       L"junction=/Documents and Settings/U/Local Settings",
       {L"Documents and Settings\\", L"Documents and Settings\\U\\", ls + L"\\", ls + L"\\keep.dat",
        ls + L"\\Temp\\", ls + L"\\Temp\\a.tmp", ls + L"\\Temp\\sub\\", ls + L"\\Temp\\sub\\b.tmp",
        ls + L"\\History\\", ls + L"\\History\\h.dat", ls + L"\\Temporary Internet Files\\",
        ls + L"\\Temporary Internet Files\\t.htm"},
       {},
       {{true, L"%\\Documents and Settings\\U\\Local Settings\\Temp", 0},
        {true, L"%\\Documents and Settings\\U\\Local Settings\\Temp", ERROR_PATH_NOT_FOUND},
        {true, L"%\\Documents and Settings\\U\\Local Settings\\Temporary Internet Files", 0},
        {true, L"%\\Documents and Settings\\U\\Local Settings\\History", 0}},
       {ls + L"\\Temp", ls + L"\\History", ls + L"\\Temporary Internet Files"},
       {ls + L"\\keep.dat"},
       true},
      {"ATargetHoldingAFileAnotherProcessHolds",
       L"held=%/Temp/held.tmp*40",
       {L"Temp\\", L"Temp\\a.tmp", L"Temp\\held.tmp", L"Temp\\sub\\", L"Temp\\sub\\b.tmp"},
       {},
       {{true, L"%\\Temp", 0}},
       {L"Temp"},
       {}},
      {"AFileAlreadyDeletePendingWhenTheWalkMeetsIt",
       L"held=%/Temp/pending.tmp*12",
       {L"Temp\\", L"Temp\\a.tmp", L"Temp\\pending.tmp"},
       {L"Temp\\pending.tmp"},
       {{true, L"%\\Temp", 0}},
       {L"Temp"},
       {}},
      {"AFileBusyForItsFirstTwoTries",
       L"busy=%/Temp/busy.log*2|busy=%/Logs/busy.log*2",
       {L"Temp\\", L"Temp\\a.tmp", L"Temp\\busy.log", L"Logs\\", L"Logs\\busy.log", L"Logs\\b.log"},
       {},
       {{true, L"%\\Temp", 0}, {false, L"%\\Logs\\*.log", 0}},
       {L"Temp", L"Logs\\busy.log", L"Logs\\b.log"},
       {L"Logs"}},
      {"AVolumeWithoutPosixDeleteNextToOneWithIt",
       L"no-posix=W|held=~/B/Temp/held.tmp*1000000",
       {L"A\\", L"A\\Temp\\", L"!A\\Temp\\ro.tmp", L"A\\Temp\\a.tmp", L"~B\\", L"~B\\Temp\\",
        L"~B\\Temp\\held.tmp", L"~!B\\Temp\\ro.tmp"},
       {},
       {{true, L"%\\A\\Temp", 0}, {true, L"~\\B\\Temp", 0}},
       {L"A\\Temp", L"~B\\Temp"},
       {L"A", L"~B"}},
      {"NoStepAsksForWriteAttributesOnAFileThatIsNotReadOnly",
       L"deny-write-attributes=%",
       {L"Temp\\", L"Temp\\a.tmp", L"Temp\\sub\\", L"Temp\\sub\\b.tmp", L"Logs\\", L"Logs\\c.log"},
       {},
       {{true, L"%\\Temp", 0}, {false, L"%\\Logs\\*.log", 0}},
       {L"Temp", L"Logs\\c.log"},
       {L"Logs"}},
  };
}

class RemovalOverLayer : public ::testing::TestWithParam<RemovalCase> {};

TEST_P(RemovalOverLayer, RemovesTheTargetsAndNothingElse) {
  const RemovalCase& c = GetParam();
  const std::wstring w =
      c.at_drive_root
          ? std::wstring(1, static_cast<wchar_t>(std::getenv("BRIM_TEST_DRIVE")[0])) + L":"
          : FreshFolder(std::wstring(c.name, c.name + std::char_traits<char>::length(c.name)).c_str());
  const std::wstring z = ZFolder(w);
  MakeTree(w, Part(c.tree, false));
  MakeTree(z, Part(c.tree, true));
  Config config;
  ASSERT_TRUE(Parse(Expand(c.config, w.substr(2), z.substr(2)), config));
  const Layer layer(config);
  for (const std::wstring& marked : c.marked_before) {
    win32::NtHandle h;
    std::wstring name = L"\\??\\" + w;
    name += L'\\';
    name += marked;
    ASSERT_EQ(win32::OpenRelative(nullptr, name, DELETE, 0, h), nt::kSuccess);
    IO_STATUS_BLOCK io{};
    nt::FileDispositionInformation d{TRUE};
    ASSERT_EQ(nt::Ntdll().SetInformationFile(h.get(), &io, &d, sizeof d, nt::kFileDispositionInformation),
              nt::kSuccess);
  }
  ASSERT_EQ(layer.PendingNow(), static_cast<int>(c.marked_before.size()));

  win32::RemovalFront front;
  platform::FileSystemObjectFactory& folders = front.Folders();
  platform::FileRemoval& files = front.Files();
  for (const Target& t : c.targets) {
    const std::wstring path = Expand(t.path, w, z);
    const unsigned long error = FailureCode([&] {
      if (t.folder) {
        folders.Create()->DeleteFolder(path, true);
      } else {
        files.Kill(path);
      }
    });
    EXPECT_EQ(error, t.error) << std::string(path.begin(), path.end());
  }
  for (const bool other : {false, true}) {
    const std::wstring& base = other ? z : w;
    EXPECT_EQ(Present(base, Part(c.gone, other)), Tree{});
    EXPECT_EQ(Present(base, Part(c.kept, other)), Part(c.kept, other));
  }

  // Nothing asked more than it needed: write-attributes never where nothing
  // is read-only, listing never of a folder the layer calls a junction.
  for (const Open& open : layer.Opens()) {
    if (!config.write_attributes_withheld.empty()) {
      EXPECT_EQ(open.access & FILE_WRITE_ATTRIBUTES, 0UL) << std::string(open.path.begin(), open.path.end());
    }
  }
  if (!config.junctions.empty()) {
    const std::wstring holder = w + L"\\" + kLs;
    bool opened_through_the_table = false;
    for (const Open& open : layer.Opens()) {
      if (open.path.size() == holder.size() && ::_wcsicmp(open.path.c_str(), holder.c_str()) == 0) {
        opened_through_the_table = true;
        EXPECT_EQ(open.access & FILE_LIST_DIRECTORY, 0UL);
      }
    }
    EXPECT_TRUE(opened_through_the_table) << "the holding folder is opened where Windows would refuse it";
  }
}

// A preview opens what a removal opens, each item once, but only to read:
// a read-only file and folder, a nested folder and a batch large enough for
// the helper threads. What a removal opens for deletion, inside the target,
// a preview opens too; nothing it opens asks to delete or write.
TEST(PreviewOverLayer, OpensWhatARemovalOpensButOnlyToRead) {
  const std::wstring w = FreshFolder(L"PreviewOverLayer");
  Tree tree{L"Temp\\",       L"!Temp\\ro.tmp",     L"Temp\\sub\\",
            L"!Temp\\sub\\", L"Temp\\sub\\deep\\", L"Temp\\sub\\deep\\d"};
  for (int i = 0; i < 20; ++i) {
    tree.push_back(L"Temp\\sub\\f" + std::to_wstring(i));
  }
  MakeTree(w, tree);
  const std::wstring target = w + L"\\Temp";
  const auto opened_inside = [&](platform::Mode mode) {
    const Layer layer(Config{});
    win32::RemovalFront front;
    RecordingSink sink;
    EXPECT_EQ(FailureCode([&] { front.Reporting().Folder(target, mode, sink); }), 0UL);
    std::vector<std::wstring> inside;
    for (const Open& open : layer.Opens()) {
      const std::string shown(open.path.begin(), open.path.end());
      if (mode == platform::Mode::Preview) {
        EXPECT_EQ(open.access & (DELETE | FILE_WRITE_ATTRIBUTES | FILE_WRITE_DATA), 0UL) << shown;
      }
      const bool in_target = open.path.size() >= target.size() &&
                             ::_wcsnicmp(open.path.c_str(), target.c_str(), target.size()) == 0;
      if (in_target && (mode == platform::Mode::Preview || (open.access & DELETE) != 0)) {
        inside.push_back(open.path);
      }
    }
    std::ranges::sort(inside);  // the helpers' shares interleave
    return inside;
  };
  const std::vector<std::wstring> previewed = opened_inside(platform::Mode::Preview);
  EXPECT_EQ(Present(w, tree).size(), tree.size());
  EXPECT_EQ(previewed.size(), tree.size() - 1);  // "!Temp\\sub\\" only makes a folder read-only
  EXPECT_EQ(opened_inside(platform::Mode::Remove), previewed);
  EXPECT_EQ(Present(w, {L"Temp"}), Tree{});
}

INSTANTIATE_TEST_SUITE_P(Cases, RemovalOverLayer, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<RemovalCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace brim::testing::windows_like
