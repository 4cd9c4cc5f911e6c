#include "iae17/Records.h"

#include <algorithm>
#include <cstring>

namespace varnix::iae17 {

namespace {

template <typename Record>
std::array<char, Record::kSize> PackRecord(const Record& record) {
    std::array<char, Record::kSize> bytes{};
    std::memcpy(bytes.data(), &record, Record::kSize);
    return bytes;
}

template <typename Record>
void UnpackRecord(const std::array<char, Record::kSize>& bytes, Record& record) {
    std::memcpy(&record, bytes.data(), Record::kSize);
}

// The record's bytes from a field's offset on; the record is standard-layout text throughout.
char* At(POSData& data, const FieldRef& field) {
    return reinterpret_cast<char*>(&data) + field.offset;
}
const char* At(const POSData& data, const FieldRef& field) {
    return reinterpret_cast<const char*>(&data) + field.offset;
}

}  // namespace

void ForEachPosDataField(POSData& data, const std::function<void(int, std::span<char>)>& visit) {
    int i = 0;
    for (const auto& field : kPOSDataFields) {
        visit(i++, std::span<char>(At(data, field), field.width));
    }
}

std::string FieldText(const POSData& data, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kPOSDataFields.size()) {
        return {};
    }
    const auto& field = kPOSDataFields[static_cast<std::size_t>(index)];
    return std::string(At(data, field), field.width);
}

void SetFieldBytes(POSData& data, int index, const std::string& bytes) {
    if (index < 0 || static_cast<std::size_t>(index) >= kPOSDataFields.size()) {
        return;
    }
    const auto& field = kPOSDataFields[static_cast<std::size_t>(index)];
    char* target = At(data, field);
    std::fill_n(target, field.width, '\0');
    std::copy_n(bytes.begin(), std::min(bytes.size(), field.width), target);
}

PackedRequest Pack(const POSRequest& record) {
    return PackRecord(record);
}
PackedData Pack(const POSData& record) {
    return PackRecord(record);
}
PackedEth Pack(const EthParams& record) {
    return PackRecord(record);
}
PackedCom Pack(const ComParams& record) {
    return PackRecord(record);
}

void Unpack(const PackedRequest& bytes, POSRequest& record) {
    UnpackRecord(bytes, record);
}
void Unpack(const PackedData& bytes, POSData& record) {
    UnpackRecord(bytes, record);
}
void Unpack(const PackedEth& bytes, EthParams& record) {
    UnpackRecord(bytes, record);
}
void Unpack(const PackedCom& bytes, ComParams& record) {
    UnpackRecord(bytes, record);
}

}  // namespace varnix::iae17
