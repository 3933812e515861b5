#include "vfs/search_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fake_archive.h"
#include "platform/fake/memory_resources.h"
#include "vfs_test_support.h"

namespace vfs {
namespace {

FileSource diskAndArchive(const char* path, Archive* archive = nullptr) {
    FileSource source(archive, path);
    source.flags |= kSourceDisk;
    return source;
}

TEST(SearchPaths, FallsBackFromDiskFoldersToTheFirstArchiveMount) {
    testing::ScratchFolder folder;
    testing::FakeArchive first(true);
    testing::FakeArchive second(true);
    SearchPaths paths;
    paths.add(FileSource(core::EngineString(folder.path().string())));
    paths.add(FileSource(&first, "Media/"));
    paths.add(FileSource(&second, "Other"));

    FileSource source = diskAndArchive("/clock.udf");
    ASSERT_TRUE(paths.resolve(source));
    EXPECT_EQ(source.flags, kSourceArchive);
    EXPECT_EQ(source.archive, &first);
    EXPECT_EQ(source.path.view(), "Media/clock.udf");
    EXPECT_EQ(second.existsCalls, 0);
}

TEST(SearchPaths, DiskFoldersAreTriedInOrderBeforeArchives) {
    testing::ScratchFolder a;
    testing::ScratchFolder b;
    b.write("tex/wood.dds", "b");
    a.write("tex/wood.dds", "a");
    b.write("only-b.txt", "b");
    testing::FakeArchive archive(true);
    SearchPaths paths;
    paths.add(FileSource(&archive, "Media"));
    paths.add(FileSource(core::EngineString(b.path().string() + "/\\")));
    paths.add(FileSource(core::EngineString(a.path().string())));

    FileSource wood = diskAndArchive("\\tex/wood.dds", &archive);
    ASSERT_TRUE(paths.resolve(wood));
    EXPECT_EQ(wood.flags, kSourceDisk);
    EXPECT_EQ(wood.path.view(), b.path().string() + "/tex/wood.dds");

    FileSource onlyB = diskAndArchive("//only-b.txt");
    ASSERT_TRUE(paths.resolve(onlyB));
    EXPECT_EQ(onlyB.path.view(), b.path().string() + "/only-b.txt");
    EXPECT_EQ(archive.existsCalls, 0);

    // The source's own archive is asked before the mounts.
    FileSource own = diskAndArchive("absent.txt", &archive);
    ASSERT_TRUE(paths.resolve(own));
    EXPECT_EQ(own.flags, kSourceArchive);
    EXPECT_EQ(own.path.view(), "absent.txt");
}

TEST(SearchPaths, LeadingSlashesAreStrippedBeforeAnyLookup) {
    testing::FakeArchive archive;
    archive.add("Media/a.fs", "x");
    SearchPaths paths;
    paths.add(FileSource(&archive, "Media"));
    for (const char* name : {"a.fs", "/a.fs", "//a.fs", "\\\\a.fs", "/\\a.fs"}) {
        FileSource source(nullptr, name);
        EXPECT_TRUE(paths.resolve(source)) << name;
        EXPECT_EQ(source.path.view(), "Media/a.fs") << name;
    }
    // Slashes after backslashes stay.
    FileSource source(nullptr, "\\/a.fs");
    EXPECT_FALSE(paths.resolve(source));
}

TEST(SearchPaths, AMountAtTheArchiveRootJoinsNoSeparator) {
    // A real archive says every name exists, so a wrong join is only seen when it is opened.
    testing::FakeArchive archive(true);
    archive.add("Media/ClockRain.ogg", "rain");
    for (const char* mount : {"", "/", "\\"}) {
        SearchPaths paths;
        paths.add(FileSource(&archive, mount));
        FileSource source(nullptr, "Media/ClockRain.ogg");
        source.flags |= kSourceDisk;
        ASSERT_TRUE(paths.resolve(source)) << '"' << mount << '"';
        EXPECT_EQ(source.path.view(), "Media/ClockRain.ogg") << '"' << mount << '"';
        const auto stream = source.open(kModeRead);
        ASSERT_NE(stream, nullptr) << '"' << mount << '"';
        EXPECT_EQ(stream->size(), 4u);
    }
}

TEST(SearchPaths, AnEmptyDiskFolderIsTheWorkingDirectoryAndSlashTheRoot) {
    testing::ScratchFolder folder;
    folder.write("here.txt", "x");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    SearchPaths paths;
    paths.add(FileSource(core::EngineString("")));
    FileSource here(core::EngineString("here.txt"));
    EXPECT_TRUE(paths.resolve(here));
    EXPECT_EQ(here.path.view(), "here.txt");
    std::filesystem::current_path(previous);
#if !defined(_WIN32)
    // A Unix path below the root: Windows paths start with a drive instead.
    SearchPaths root;
    root.add(FileSource(core::EngineString("/")));
    const std::string inTmp = folder.path().string().substr(1) + "/here.txt";
    FileSource fromRoot{core::EngineString(inTmp)};
    std::filesystem::current_path("/proc");
    EXPECT_TRUE(root.resolve(fromRoot));
    std::filesystem::current_path(previous);
    EXPECT_EQ(fromRoot.path.view(), "/" + inTmp);
#endif
}

TEST(SearchPaths, MemoryAndResourceSourcesNeedNoSearch) {
    platform::fake::MemoryResources resources;
    resources.Add("MEMFILE", 187, "tga");
    setModuleResources(&resources);
    SearchPaths paths;
    static const char bytes[] = "m";
    FileSource memory(bytes, 1);
    EXPECT_TRUE(paths.resolve(memory));
    EXPECT_EQ(memory.flags, kSourceMemory);
    FileSource present{ResourceId{187}};
    EXPECT_TRUE(paths.resolve(present));
    EXPECT_EQ(present.flags, kSourceResource);
    FileSource missing{ResourceId{188}};
    EXPECT_FALSE(paths.resolve(missing));
    setModuleResources(nullptr);
}

TEST(SearchPaths, KeepsEachFolderAndMountOnce) {
    testing::FakeArchive archive;
    SearchPaths paths;
    FileSource both(&archive, "Media");
    both.flags |= kSourceDisk;
    paths.add(both);
    paths.add(FileSource("Media"));
    paths.add(FileSource(&archive, "Media"));
    SearchPaths more;
    more.add(FileSource("Other"));
    more.add(paths);
    more.add(paths);
    EXPECT_EQ(paths.diskFolders().size(), 1u);
    EXPECT_EQ(paths.archiveMounts().size(), 1u);
    EXPECT_EQ(more.diskFolders().size(), 2u);
    EXPECT_EQ(more.archiveMounts().size(), 1u);
    EXPECT_EQ(more.diskFolders()[0].path.view(), "Other");
}

}  // namespace
}  // namespace vfs
