// UdfTextParser: runs the statements of a UDF text file (Scene.props, *.fs, *.css) against a
// PropNode tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "udf/prop_node.h"

namespace vfs {
class SearchPaths;
class Stream;
}  // namespace vfs

namespace udf {

class UdfTextParser {
public:
    // Bounds that keep a damaged or hostile file from exhausting the stack or memory.
    static constexpr std::uint32_t kMaxTextSize = 64u << 20;
    static constexpr int kMaxNesting = 64;
    static constexpr int kMaxIncludeDepth = 16;
    static constexpr int kMaxIncludes = 256;
    // References copy nodes, and a reference to a node holding two references to its
    // predecessor doubles the tree with each statement. A parse copies at most this many nodes
    // per node its statements created, plus kMinCopyAllowance: enough for any table copied
    // over and over, linear in the text.
    static constexpr std::uint64_t kCopiesPerParsedNode = 64;
    static constexpr std::uint64_t kMinCopyAllowance = 1u << 16;

    // Included files are resolved through `searchPaths` when given.
    explicit UdfTextParser(const vfs::SearchPaths* searchPaths = nullptr);

    // Reads the whole stream and runs its statements; false when it is empty or unreadable, or
    // when a statement failed (the following ones still run). A reference whose copy would pass
    // the allowance fails its statement and leaves the target empty; copiesCut() tells so.
    bool parse(vfs::Stream& stream, PropNode& root);
    bool parseText(std::string_view text, PropNode& root);
    // Runs one statement; `scope` is the current scope, changed by "using".
    bool executeStatement(PropNode& root, std::string_view statement, PropNode*& scope);

    // Whether the last parse left a reference's copy out to stay within the allowance.
    bool copiesCut() const { return copiesCut_; }
    // Whether the last parse's text ended inside a statement (its last one has no ';'), as a
    // file cut short does. The statement still ran.
    bool cutShort() const { return cutShort_; }

    // Off: include directives are left as ordinary statements (for hermetic runs over
    // untrusted text).
    void setIncludesEnabled(bool enabled) { includesEnabled_ = enabled; }

    // Takes the next statement from `position` on; false when it is empty, which ends a parse.
    // `terminated` tells whether a ';' closed it rather than the end of the text.
    static bool nextStatement(std::string_view text, std::size_t& position, std::string& statement,
                              bool* terminated = nullptr);
    // Length of the text before `separator`, taking quoted and bracketed groups whole.
    static std::size_t scanGroups(std::string_view text, std::string_view separator);

private:
    bool run(std::string_view text, PropNode& root);
    bool execute(PropNode& root, std::string_view statement, PropNode*& scope, int depth);
    // False when the statement is to go on as an ordinary one; else `result` is the include's.
    bool include(PropNode& root, std::string_view statement, bool& result);
    void beginTopLevel();

    const vfs::SearchPaths* searchPaths_;
    bool includesEnabled_ = true;
    int parseDepth_ = 0;
    int includeCount_ = 0;
    std::vector<std::string> includeStack_;
    std::uint64_t parsedNodes_ = 0;
    std::uint64_t copiedNodes_ = 0;
    bool copiesCut_ = false;
    bool cutShort_ = false;
    // Nodes replaced during a parse live on until it ends: a scope or an enclosing statement
    // may still point at them.
    std::vector<std::unique_ptr<PropNode>> released_;
};

// Parses `stream` into `root` with a parser of its own.
bool ParseUdfText(vfs::Stream& stream, PropNode& root,
                  const vfs::SearchPaths* searchPaths = nullptr);

}  // namespace udf
