#include "udf/udf_text_parser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "udf_test_support.h"
#include "vfs/file_source.h"
#include "vfs/mem_file.h"
#include "vfs/search_paths.h"

namespace udf {
namespace {

struct SyntaxCase {
    const char* text;
    const char* tree;
    bool ok = true;
};

TEST(UdfTextParser, StatementsFillTheTree) {
    const SyntaxCase cases[] = {
        {"Fov = 70;", "Fov=70"},
        {"Fov => 70;", "Fov=70"},
        {"  Fov\t=\t70 ;", "Fov=70"},
        {"Name = \"a;b\";", "Name=a;b"},
        {"Name = 'it''s';", "Name=it"},
        {"A = \"esc\\\"aped;\";", "A=esc\\\"aped;"},
        {"A = \"open;", "A=\"open;"},
        {"Animations = array(\"c1.cam\", \"c2.cam\");", "Animations[0=c1.cam,1=c2.cam]"},
        {"Rects[\"0\"] = array(13  , 0, 48 , 63);", "Rects[\"0\"[0=13,1=0,2=48,3=63]]"},
        {"ColorKey = 5; ColorKey = array(255, 0, 255);", "ColorKey=5[0=255,1=0,2=255]"},
        {"using Styles[1]; Size = 14; using; 5; Top = 1;", "Styles[1{Size=14}],Top=1"},
        {"5; using S; 5; \"x\"; array(1);", "S{0=5,1=x,2[0=1]}"},
        {"using S; 0 = 7; b = 1; 8;", "S{0=7,b=1,1=8}"},
        {"using S; 0 = a0;", "S{0},a0"},
        {"A = 1; B = A;", "A=1,B=1"},
        {"A = object(x = 1, y = array(2)); B = A;", "A{x=1,y[0=2]},B{x=1,y[0=2]}"},
        {"A = 1; A.B = A;", "A=1{B=1{B}}"},
        {"A.B.C = 1; A = A.B;", "A"},
        {"C = 0xFF;", "C,0xFF"},
        {"A = 12abc;", "A,12abc"},
        {"A = -12.5e3;", "A=-12.5e3"},
        {"A = \"x//y\";\nB = 2;", "A=\"xB = 2;"},
        {"// heading\nA = 1; // note\r\n\r\nB = 2;", "A=1,B=2"},
        {"A = 1 / 2;", "A,1 / 2"},
        {"Rects = array(1,\n2);", "Rects[0=1,1=2]"},
        {"A = 1;; B = 2;", "A=1"},
        {"A = 1;\n;\nB = 2;", "A=1"},
        {"A = 1; ; B = 2;", "A=1,B=2"},
        {"Styles[0].Size = 64; Styles[0].Charsets = array(\"64font.css\");",
         "Styles[0{Size=64,Charsets[0=64font.css]}]"},
        {"X = object(Size = 14, Bold = 1);", "X{Size=14,Bold=1}"},
        {"A = array(array(1, 2), 3);", "A[0[0=1,1=2],1=3]"},
        {"A = array(); B = array; C = arrayish;", "A[],B[],C[]"},
        {"A = array(1,,2);", "A[0=1,1,2=2]"},
        {"A = array(x, \"p,q\", [a,b], (c,d));", "A[0,1=p,q,2,3],x,a,b,(c,d)"},
        {"A = ;", "A"},
        {"A = 1; A = 2;", "A=2"},
        {"A.x = 1; A = 7;", "A=7"},
        {"x => \"a=b\";", "x=a=b"},
        {"a = \"x=>y\";", "a=x=>y"},
        {"a[\"=\"] = 1;", ""},
        {"a[\"=\"] => 1;", "a[\"=\"=1]"},
        {"Sizes[\"0\"] = 37;", "Sizes[\"0\"=37]"},
        {"usingX = 5;", "X = 5{}"},
        {"5;", ""},
        {"\n\r\n", ""},
        {"include(\"/no/such/file.props\");", ""},
        {"using S; include(\"/no/such/file.props\");", "S{0},include(\"/no/such/file{props\")}"},
    };
    for (const SyntaxCase& c : cases) {
        PropNode root;
        UdfTextParser parser;
        EXPECT_EQ(parser.parseText(c.text, root), c.ok) << c.text;
        EXPECT_EQ(test::describe(root), c.tree) << c.text;
    }
}

TEST(UdfTextParser, StatementSplittingAndGroupScanning) {
    struct Split {
        const char* text;
        std::vector<std::string> statements;
    };
    const Split splits[] = {
        {"a;b;", {"a", "b"}},
        {"a\r\nb;c", {"ab", "c"}},
        {"'x;y';\"p;q\"", {"'x;y'", "\"p;q\""}},
        {"\"a'b;\";c", {"\"a'b;\"", "c"}},
        {"a//b;\nc;", {"ac"}},
        {"a/b;", {"a/b"}},
        {"a;;b;", {"a"}},
        {"", {}},
    };
    for (const Split& s : splits) {
        std::vector<std::string> got;
        std::size_t position = 0;
        std::string statement;
        while (UdfTextParser::nextStatement(s.text, position, statement)) {
            got.push_back(statement);
        }
        EXPECT_EQ(got, s.statements) << s.text;
    }

    struct Scan {
        const char* text;
        const char* separator;
        std::size_t length;
    };
    const Scan scans[] = {
        {"a,b", ",", 1},         {"\"a,b\",c", ",", 5}, {"[a,[b,]c],d", ",", 9},
        {"(a,(b),c),d", ",", 9}, {"'a,\"b',c", ",", 6}, {"(unclosed,x", ",", 11},
        {"abc", ",", 3},         {"a=>b", "=>", 1},     {"[x=>y]=>z", "=>", 6},
    };
    for (const Scan& s : scans) {
        EXPECT_EQ(UdfTextParser::scanGroups(s.text, s.separator), s.length) << s.text;
    }
}

TEST(UdfTextParser, EmptyOrUnreadableStreamsFail) {
    PropNode root;
    vfs::MemFile empty;
    empty.open("", vfs::kModeRead);
    EXPECT_FALSE(ParseUdfText(empty, root));

    const char text[] = "Fov = 70;";
    vfs::MemFile file;
    file.open("", vfs::kModeRead);
    file.assign(core::EngineString::borrow(text, std::strlen(text)));
    EXPECT_TRUE(ParseUdfText(file, root));
    EXPECT_EQ(root.findChild("Fov")->asInt(), 70);
}

TEST(UdfTextParser, ATextEndingInsideAStatementIsCutShortAndStillRuns) {
    struct Case {
        const char* text;
        bool cutShort;
    };
    const Case cases[] = {
        {"A = 1; B = 2;", false},
        {"A = 1; B = 2;  \r\n\t\n", false},
        {"A = 1; B = 2; // the end", false},
        {"A = 1; B = 2", true},
        {"A = 1; B = array(1, 2", true},
        {"A = 1; B = \"two;", true},
        {"A = 1; B", true},
    };
    for (const Case& c : cases) {
        PropNode root;
        UdfTextParser parser;
        parser.parseText(c.text, root);
        EXPECT_EQ(parser.cutShort(), c.cutShort) << c.text;
        EXPECT_EQ(root.findChild("A")->asInt(), 1) << c.text;
    }
    // A later whole text starts afresh.
    UdfTextParser parser;
    PropNode root;
    parser.parseText("A = 1", root);
    parser.parseText("A = 1;", root);
    EXPECT_FALSE(parser.cutShort());
}

TEST(UdfTextParser, DeepNestingIsCutOffInsteadOfExhaustingTheStack) {
    std::string text = "A = ";
    for (int i = 0; i < 100000; ++i) {
        text += "array(";
    }
    text += "1";
    text += std::string(100000, ')');
    text += "; B = 2;";
    PropNode root;
    UdfTextParser parser;
    EXPECT_TRUE(parser.parseText(text, root));
    EXPECT_EQ(root.findChild("B")->asInt(), 2);
    int depth = 0;
    for (const PropNode* n = root.findChild("A"); n && n->count() > 0; n = n->findChild("0")) {
        ++depth;
    }
    EXPECT_EQ(depth, UdfTextParser::kMaxNesting);
}

std::uint64_t countNodes(const PropNode& root) {
    std::uint64_t nodes = 0;
    std::vector<const PropNode*> pending{&root};
    while (!pending.empty()) {
        const PropNode* n = pending.back();
        pending.pop_back();
        for (const PropNode::Child& c : n->children()) {
            ++nodes;
            pending.push_back(c.node.get());
        }
    }
    return nodes;
}

TEST(UdfTextParser, CopiesThatDoubleTheTreeStopVisibly) {
    struct Case {
        const char* what;
        std::string text;
    };
    std::string inside = "A.x = 1;";
    std::string pairs = "P0 = 1;";
    for (int i = 0; i < 400; ++i) {
        inside += "A.c" + std::to_string(i) + " = A;";
        pairs += "P" + std::to_string(i + 1) + " = array(P" + std::to_string(i) + ", P" +
                 std::to_string(i) + ");";
    }
    const Case cases[] = {{"a node copied into itself", inside}, {"arrays of two copies", pairs}};
    for (const Case& c : cases) {
        PropNode root;
        UdfTextParser parser;
        EXPECT_FALSE(parser.parseText(c.text + "Z = 7;", root)) << c.what;
        EXPECT_TRUE(parser.copiesCut()) << c.what;
        // The statements after a cut still run.
        EXPECT_EQ(root.findChild("Z")->asInt(), 7) << c.what;
        // Each statement makes at most three nodes of its own.
        const std::uint64_t parsed = 3 * 402;
        EXPECT_LE(countNodes(root), parsed * (UdfTextParser::kCopiesPerParsedNode + 1) +
                                        UdfTextParser::kMinCopyAllowance)
            << c.what;
    }
    PropNode root;
    UdfTextParser parser;
    parser.parseText(inside, root);
    EXPECT_EQ(root.findChild("A")->findChild("c3")->findChild("c1")->findChild("x")->asInt(), 1);
    // The next parse starts with a fresh allowance.
    PropNode other;
    EXPECT_TRUE(parser.parseText("A = 1; B = A;", other));
    EXPECT_FALSE(parser.copiesCut());
}

TEST(UdfTextParser, TablesCopiedManyTimesAreCopiedWhole) {
    // A charset-like table of 2000 nodes: 500 keys, each a list of three numbers.
    std::string text;
    for (int i = 0; i < 500; ++i) {
        text += "Rects[\"" + std::to_string(i) + "\"] = array(" + std::to_string(i) + ", 0, " +
                std::to_string(i % 7) + ");";
    }
    const int copies = 33;
    for (int i = 0; i < copies; ++i) {
        text += "Copy" + std::to_string(i) + " = Rects;";
    }
    PropNode root;
    UdfTextParser parser;
    EXPECT_TRUE(parser.parseText(text, root));
    EXPECT_FALSE(parser.copiesCut());
    const PropNode* rects = root.findChild("Rects");
    ASSERT_NE(rects, nullptr);
    EXPECT_EQ(countNodes(*rects), 2000u);
    for (int i = 0; i < copies; ++i) {
        const PropNode* copy = root.findChild("Copy" + std::to_string(i));
        ASSERT_NE(copy, nullptr) << i;
        EXPECT_EQ(copy->kind, PropNode::kArray) << i;
        EXPECT_EQ(test::describe(*copy), test::describe(*rects)) << i;
    }
}

class UdfTextIncludes : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::path(ZORVANE_BINARY_DIR) / "udf_text_includes" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }
    std::filesystem::path dir_;
};

TEST_F(UdfTextIncludes, IncludedFilesAreFoundThroughTheSearchPaths) {
    write("main.props", "using S; A = 1; include(\"part.props\"); B = 3;");
    write("part.props", "C = 2; 9;");
    vfs::SearchPaths paths;
    paths.add(vfs::FileSource(core::EngineString(dir_.string())));
    vfs::FileSource source(core::EngineString((dir_ / "main.props").string()));
    auto stream = source.open(vfs::kModeRead);
    ASSERT_NE(stream, nullptr);
    PropNode root;
    EXPECT_TRUE(ParseUdfText(*stream, root, &paths));
    // The included file starts without a scope; the including one keeps its own.
    EXPECT_EQ(test::describe(root), "S{A=1,B=3},C=2");
}

TEST_F(UdfTextIncludes, IncludeCyclesEnd) {
    write("a.props", "A = 1; include(\"b.props\");");
    write("b.props", "B = 2; include(\"a.props\"); include(\"b.props\");");
    vfs::SearchPaths paths;
    paths.add(vfs::FileSource(core::EngineString(dir_.string())));
    PropNode root;
    UdfTextParser parser(&paths);
    EXPECT_FALSE(parser.parseText("include(\"a.props\"); Z = 0;", root));
    EXPECT_EQ(test::describe(root), "A=1,B=2,Z=0");
}

TEST_F(UdfTextIncludes, DisabledIncludesAreOrdinaryStatements) {
    write("part.props", "C = 2;");
    vfs::SearchPaths paths;
    paths.add(vfs::FileSource(core::EngineString(dir_.string())));
    PropNode root;
    UdfTextParser parser(&paths);
    parser.setIncludesEnabled(false);
    EXPECT_TRUE(parser.parseText("include(\"part.props\");", root));
    EXPECT_EQ(test::describe(root), "");
}

}  // namespace
}  // namespace udf
