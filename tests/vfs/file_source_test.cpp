#include "vfs/file_source.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "fake_archive.h"
#include "platform/fake/memory_resources.h"
#include "vfs/mem_file.h"
#include "vfs_test_support.h"

namespace vfs {
namespace {

std::string contentsOf(Stream& stream) {
    std::string out(stream.size(), '\0');
    EXPECT_TRUE(stream.readExact(out.data(), stream.size()));
    return out;
}

class FileSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        resources.Add("MEMFILE", 186, "picture bytes");
        setModuleResources(&resources);
        archive.add("Media/clock.udf", "from the archive");
    }
    void TearDown() override { setModuleResources(nullptr); }

    platform::fake::MemoryResources resources;
    testing::FakeArchive archive;
    testing::ScratchFolder folder;
};

TEST_F(FileSourceTest, DiskComesBeforeTheArchive) {
    const auto onDisk = folder.write("Media/clock.udf", "from the disk");
    FileSource both(&archive, core::EngineString(onDisk.string()));
    both.flags = kSourceDisk | kSourceArchive;
    auto stream = both.open(kModeRead);
    ASSERT_TRUE(stream);
    EXPECT_EQ(contentsOf(*stream), "from the disk");
    EXPECT_EQ(both.flags, kSourceDisk);
    EXPECT_EQ(archive.openCalls, 0);

    FileSource fallback(&archive, "Media/clock.udf");
    fallback.flags = kSourceDisk | kSourceArchive;
    stream = fallback.open(kModeRead);
    ASSERT_TRUE(stream);
    EXPECT_EQ(contentsOf(*stream), "from the archive");
    EXPECT_EQ(fallback.flags, kSourceArchive);
}

TEST_F(FileSourceTest, ResourcesAreReferencedInPlace) {
    FileSource source{ResourceId{186}};
    auto stream = source.open(kModeRead);
    ASSERT_TRUE(stream);
    auto* file = dynamic_cast<MemFile*>(stream.get());
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->block().borrowed());
    EXPECT_EQ(file->block().data(),
              reinterpret_cast<const char*>(resources.Find("MEMFILE", 186)->data()));
    EXPECT_EQ(contentsOf(*stream), "picture bytes");
    EXPECT_EQ(source.flags, kSourceResource);

    FileSource missing{ResourceId{999}};
    EXPECT_FALSE(missing.open(kModeRead));
}

TEST_F(FileSourceTest, MemoryIsBorrowedOnlyWhenShareable) {
    static const char bytes[] = "memory block";
    FileSource shared(bytes, 6, true);
    auto stream = shared.open(kModeRead);
    ASSERT_TRUE(stream);
    EXPECT_EQ(static_cast<MemFile&>(*stream).block().data(), bytes);
    EXPECT_EQ(contentsOf(*stream), "memory");

    FileSource copied(bytes, 6, false);
    stream = copied.open(kModeRead);
    ASSERT_TRUE(stream);
    EXPECT_NE(static_cast<MemFile&>(*stream).block().data(), bytes);
    EXPECT_EQ(contentsOf(*stream), "memory");

    // Writing never touches the source's memory.
    stream = shared.open(kModeRead | kModeWrite);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->write("M", 1), 1);
    EXPECT_EQ(std::string(bytes), "memory block");
}

TEST_F(FileSourceTest, WholeFileReadSharesOnlyWhereAllowed) {
    static const char bytes[] = "whole";
    struct Case {
        FileSource source;
        bool shareIn;
        bool shareOut;
        const char* expected;
    };
    const auto onDisk = folder.write("f.txt", "disk text");
    Case cases[] = {
        {FileSource{ResourceId{186}}, true, true, "picture bytes"},
        {FileSource{ResourceId{186}}, false, false, "picture bytes"},
        {FileSource(bytes, 5, true), true, true, "whole"},
        {FileSource(bytes, 5, false), true, false, "whole"},
        {FileSource(bytes, 5, true), false, false, "whole"},
        {FileSource(core::EngineString(onDisk.string())), true, false, "disk text"},
        {FileSource(&archive, "Media/clock.udf"), true, false, "from the archive"},
    };
    for (Case& c : cases) {
        core::EngineString out;
        bool share = c.shareIn;
        ASSERT_TRUE(c.source.readWholeFile(out, share)) << c.expected;
        EXPECT_EQ(out.view(), c.expected);
        EXPECT_EQ(share, c.shareOut) << c.expected;
        EXPECT_EQ(out.borrowed(), c.shareOut) << c.expected;
    }
    core::EngineString out;
    bool share = true;
    FileSource absent(core::EngineString((folder.path() / "absent").string()));
    EXPECT_FALSE(absent.readWholeFile(out, share));
    FileSource noResource{ResourceId{5}};
    EXPECT_FALSE(noResource.readWholeFile(out, share));
}

TEST(FileSource, FolderIsTheTextBeforeTheLastSeparator) {
    testing::FakeArchive archive;
    struct Case {
        const char* path;
        const char* folder;  // null: an empty source
    };
    const Case cases[] = {
        {"Media/fonts/a.fs", "Media/fonts"},
        {"Media\\a.fs", "Media"},
        {"Media/x\\a.fs", "Media/x"},
        {"a.fs", nullptr},
        {"/a.fs", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        FileSource source(&archive, c.path);
        source.flags |= kSourceDisk;
        const FileSource folder = source.folder();
        if (!c.folder) {
            EXPECT_EQ(folder.flags, 0u) << c.path;
            continue;
        }
        EXPECT_EQ(folder.path.view(), c.folder);
        EXPECT_EQ(folder.flags, kSourceDisk | kSourceArchive);
        EXPECT_EQ(folder.archive, &archive);
    }
    FileSource resource{ResourceId{1}};
    resource.path = "a/b";
    EXPECT_EQ(resource.folder().flags, 0u);
}

TEST(FileSource, EqualityAndOrder) {
    testing::FakeArchive a;
    testing::FakeArchive b;
    EXPECT_TRUE(FileSource("x") == FileSource("x"));
    EXPECT_FALSE(FileSource("x") == FileSource("y"));
    EXPECT_TRUE(FileSource(&a, "x") == FileSource(&a, "x"));
    EXPECT_FALSE(FileSource(&a, "x") == FileSource(&b, "x"));
    EXPECT_FALSE(FileSource(&a, "x") == FileSource("x"));
    // Only the bits the first carries are compared.
    FileSource both(&a, "x");
    both.flags |= kSourceDisk;
    EXPECT_TRUE(FileSource("x") == both);
    EXPECT_FALSE(both == FileSource("x"));

    std::set<FileSource> sorted = {FileSource("b"), FileSource(&b, "a"), FileSource(&a, "c"),
                                   FileSource("a"), FileSource(),        FileSource("b")};
    EXPECT_EQ(sorted.size(), 5u);
    auto it = sorted.begin();
    EXPECT_EQ((it++)->flags, 0u);
    EXPECT_EQ((it++)->path.view(), "a");
    EXPECT_EQ((it++)->path.view(), "b");
    const FileSource& first = *it++;
    const FileSource& second = *it++;
    EXPECT_LT(first.archive, second.archive);
}

}  // namespace
}  // namespace vfs
