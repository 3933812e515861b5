#include "render/scene/record_fields.h"

#include <cstring>

namespace render {

std::string FieldText(const udf::UdfNode& field) {
    if (field.typeName().view() == "int") {
        return std::to_string(field.asInt());
    }
    std::string text = field.asString().str();
    while (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    return text;
}

std::string ChildText(const udf::UdfNode& record, std::string_view key) {
    const udf::UdfNode* child = record.findChild(key);
    return child ? FieldText(*child) : std::string();
}

FieldRead ReadMatrix(const udf::UdfNode& record, std::string_view key, Matrix& m) {
    const udf::UdfNode* field = record.findChild(key);
    if (!field) {
        return FieldRead::Absent;
    }
    Matrix read;
    if (!field->data() || field->size() < sizeof read.m) {
        return FieldRead::Unusable;
    }
    std::memcpy(read.m, field->data(), sizeof read.m);
    read.classification = kMatrixGeneral;
    if (!IsFinite(read)) {
        return FieldRead::Unusable;
    }
    m = read;
    return FieldRead::Read;
}

}  // namespace render
