// Reading the fields of a scene file's records: texts and matrices, the same way for every kind
// of record.
#pragma once

#include <string>
#include <string_view>

#include "render/math/matrix.h"
#include "udf/udf_node.h"

namespace render {

// A text value, whether the file stored it as a string (its terminator dropped) or an integer.
std::string FieldText(const udf::UdfNode& field);

// The text of the record's member `key`; empty when there is none.
std::string ChildText(const udf::UdfNode& record, std::string_view key);

enum class FieldRead { Read, Absent, Unusable };

// A 68-byte matrix member: Read and `m` set, Absent, or Unusable when short or not finite (`m`
// is then left as it was).
FieldRead ReadMatrix(const udf::UdfNode& record, std::string_view key, Matrix& m);

}  // namespace render
