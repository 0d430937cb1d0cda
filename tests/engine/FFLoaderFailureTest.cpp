// Loading failures. Libraries are opened with RTLD_NODELETE, so a stand-in
// stays mapped once loaded: these tests live in their own executable, the
// stand-ins carry no soname (so they never satisfy another library's
// dependency), and the last test loads the real libraries again.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/loader/Av.h"
#include "engine/loader/FFLoader.h"
#include "support/Fixtures.h"

using namespace mediaconv::engine;
using mediaconv::test::RunCommand;
using mediaconv::test::ShellQuote;
using mediaconv::test::TempFolder;

namespace {

#define MEDIACONV_ENTRY_NAME(name) #name,
const char* const kAvformatEntryNames[] = {MEDIACONV_AVFORMAT_ENTRIES(MEDIACONV_ENTRY_NAME)};
#undef MEDIACONV_ENTRY_NAME

void ExpectNothingLoaded() {
  auto& loader = TFFLoader::Instance();
  for (int kind = 0; kind < kLibraryKindCount; ++kind)
    EXPECT_FALSE(loader.LibraryLoaded(TLibraryKind(kind))) << TFFLoader::LibraryFileName(TLibraryKind(kind));
  EXPECT_FALSE(loader.LibrariesLoaded(EngineLibraries));
  // The entries of libraries bound earlier in the same call are unbound too.
  EXPECT_EQ(av::av_malloc, nullptr);
  EXPECT_EQ(av::swr_alloc, nullptr);
  EXPECT_EQ(av::avcodec_find_decoder, nullptr);
  EXPECT_EQ(av::avformat_open_input, nullptr);
}

void WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

// A real shared library that exports none of our entries.
bool BuildStandIn(const std::string& path) {
  const std::string source = path + ".c";
  WriteFile(source, "int mediaconv_stand_in(void) { return 1; }\n");
  const auto built = RunCommand("cc -shared -fPIC -o " + ShellQuote(path) + " " + ShellQuote(source));
  EXPECT_EQ(built.exitCode, 0) << built.output;
  return built.exitCode == 0;
}

// First, while nothing is loaded: a library in the lib folder wins over the
// system's copy, and the others still come from the system search.
TEST(FFLoaderFailure, LibraryFolderIsSearchedFirst) {
  auto& loader = TFFLoader::Instance();
  ASSERT_FALSE(loader.LibraryLoaded(lkAvutil));
  const std::string folder = TempFolder("lib");
  const std::string avutil = TFFLoader::LibraryFileName(lkAvutil);
  void* system = ::dlopen(avutil.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  ASSERT_EQ(system, nullptr) << "avutil is loaded already";
  // A copy (not a link): the dynamic loader must see a different file.
  Dl_info info{};
  void* probe = ::dlopen(avutil.c_str(), RTLD_LAZY);
  ASSERT_NE(probe, nullptr);
  ASSERT_NE(::dladdr(::dlsym(probe, "av_malloc"), &info), 0);
  const std::string systemPath = info.dli_fname;
  ::dlclose(probe);
  std::filesystem::copy_file(systemPath, folder + "/" + avutil);

  loader.SetLibraryPath(folder);
  ASSERT_TRUE(loader.LoadLibraries(EngineLibraries)) << loader.LastErrorText();
  ASSERT_NE(::dladdr(reinterpret_cast<void*>(av::av_malloc), &info), 0);
  EXPECT_EQ(std::string(info.dli_fname), folder + "/" + avutil);
  ASSERT_NE(::dladdr(reinterpret_cast<void*>(av::avcodec_find_decoder), &info), 0);
  EXPECT_NE(std::string(info.dli_fname).find("/" + TFFLoader::LibraryFileName(lkAvcodec)), std::string::npos);
  EXPECT_NE(std::string(info.dli_fname).rfind(folder, 0), 0u) << "avcodec should come from the system";
  loader.UnloadLibraries(AllLibraries);
  ExpectNothingLoaded();
}

TEST(FFLoaderFailure, BrokenFileInTheLibraryFolderFailsAndUnloadsTheSet) {
  auto& loader = TFFLoader::Instance();
  const std::string folder = TempFolder("lib");
  const std::string swscale = TFFLoader::LibraryFileName(lkSwscale);
  WriteFile(folder + "/" + swscale, "this is not a shared library\n");

  loader.SetLibraryPath(folder);
  EXPECT_FALSE(loader.LoadLibraries(EngineLibraries));
  const std::string text = loader.LastErrorText();
  const std::string head = "Load library " + folder + "/" + swscale + " error: ";
  EXPECT_EQ(text.rfind(head, 0), 0u) << text;
  EXPECT_GT(text.size(), head.size()) << "the system's reason is missing";
  ExpectNothingLoaded();

  // A trailing separator names the same file.
  loader.SetLibraryPath(folder + "/");
  EXPECT_FALSE(loader.LoadLibraries(EngineLibraries));
  EXPECT_EQ(loader.LastErrorText(), text);
  ExpectNothingLoaded();
}

TEST(FFLoaderFailure, LibraryLackingAnEntryFailsAndNamesEntryAndFile) {
  auto& loader = TFFLoader::Instance();
  const std::string folder = TempFolder("lib");
  const std::string avformat = TFFLoader::LibraryFileName(lkAvformat);
  ASSERT_TRUE(BuildStandIn(folder + "/" + avformat));

  loader.SetLibraryPath(folder);
  EXPECT_FALSE(loader.LoadLibraries(EngineLibraries));
  const std::string text = loader.LastErrorText();
  const std::string head =
      std::string("Load function ") + kAvformatEntryNames[0] + "@" + avformat + " error: ";
  EXPECT_EQ(text.rfind(head, 0), 0u) << text;
  EXPECT_NE(text.find(kAvformatEntryNames[0], head.size()), std::string::npos) << "dlerror text: " << text;
  ExpectNothingLoaded();
}

TEST(FFLoaderFailure, SingleLibraryLoadsAloneAndAFailedSetKeepsTheOthers) {
  auto& loader = TFFLoader::Instance();
  loader.SetLibraryPath("");
  ASSERT_TRUE(loader.LoadLibraries(LibrarySet(lkAvutil))) << loader.LastErrorText();
  EXPECT_TRUE(loader.LibraryLoaded(lkAvutil));
  EXPECT_FALSE(loader.LibraryLoaded(lkAvcodec));

  const std::string folder = TempFolder("lib");
  WriteFile(folder + "/" + TFFLoader::LibraryFileName(lkSwscale), "broken");
  loader.SetLibraryPath(folder);
  EXPECT_FALSE(loader.LoadLibraries(LibrarySet(lkSwscale)));
  EXPECT_TRUE(loader.LibraryLoaded(lkAvutil)) << "only the failing call's set is unloaded";
  loader.UnloadLibraries(AllLibraries);
  ExpectNothingLoaded();
}

// The real libraries load again after a failure, and a second load of a
// loaded set opens nothing.
TEST(FFLoaderFailure, RealLibrariesLoadAfterFailuresAndASecondLoadOpensNothing) {
  auto& loader = TFFLoader::Instance();
  const std::string broken = TempFolder("lib");
  WriteFile(broken + "/" + TFFLoader::LibraryFileName(lkAvcodec), "broken");
  loader.SetLibraryPath(broken);
  ASSERT_FALSE(loader.LoadLibraries(EngineLibraries));
  loader.SetLibraryPath("");
  ASSERT_TRUE(loader.LoadLibraries(EngineLibraries)) << loader.LastErrorText();
  EXPECT_TRUE(loader.LibrariesLoaded(EngineLibraries));
  EXPECT_FALSE(loader.LibraryLoaded(lkAvdevice));
  EXPECT_FALSE(loader.LibraryLoaded(lkSDL));
  AVFormatContext* context = av::avformat_alloc_context();
  ASSERT_NE(context, nullptr);
  av::avformat_free_context(context);
  const std::string before = loader.LastErrorText();
  EXPECT_FALSE(before.empty()) << "a success never clears the last error";

  // Were anything opened again, these broken files would fail the call.
  const std::string folder = TempFolder("lib");
  for (int kind = 0; kind < kLibraryKindCount; ++kind)
    WriteFile(folder + "/" + TFFLoader::LibraryFileName(TLibraryKind(kind)), "broken");
  loader.SetLibraryPath(folder);
  EXPECT_TRUE(loader.LoadLibraries(EngineLibraries));
  EXPECT_EQ(loader.LastErrorText(), before);
  loader.SetLibraryPath("");
}

}  // namespace
