#include "vfs/search_paths.h"

#include <gtest/gtest.h>

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
