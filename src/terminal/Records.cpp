#include "terminal/Records.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace varnix::terminal {

namespace {

// Walks the fields of a record in layout order, handing each field's bytes to `f` with the
// offset where it sits in the packed form. The offsets are summed from the widths, and the
// totals are checked against the drawn layouts at compile time below.
template <typename R, typename F>
requires std::is_same_v<std::remove_const_t<R>, POSRequest>
void ForEachField(R& r, F&& f) {
    std::size_t at = 0;
    auto step = [&](auto& field) {
        f(field.data(), at, field.kWidth);
        at += field.kWidth;
    };
    step(r.Amount);
    step(r.EcrId);
    step(r.PaymentType);
    step(r.TerminalId);
    step(r.ContractText);
    step(r.PreauthorizationCode);
    step(r.STAN);
    step(r.Reserved1);
    step(r.Reserved2);
    step(r.Reserved3);
    step(r.Reserved4);
    step(r.Reserved5);
    step(r.Reserved6);
    step(r.Reserved7);
    step(r.Reserved8);
}

template <typename R, typename F>
requires std::is_same_v<std::remove_const_t<R>, POSData>
void ForEachField(R& d, F&& f) {
    std::size_t at = 0;
    auto step = [&](auto& field) {
        f(field.data(), at, field.kWidth);
        at += field.kWidth;
    };
    step(d.TerminalId);
    step(d.AcquirerId);
    step(d.TransactionType);
    step(d.TransactionResult);
    step(d.KODescription);
    step(d.CardType);
    step(d.STAN);
    step(d.POSBalance);
    step(d.BankBalance);
    step(d.PAN);
    step(d.AuthorizationCode);
    step(d.OperationNumber);
    step(d.AmountAuth);
    step(d.PreauthorizationCode);
    step(d.ActionCode);
    step(d.DataTrs);
    step(d.AmountEcho);
    step(d.Ticket);
}

template <typename R, typename F>
requires std::is_same_v<std::remove_const_t<R>, EthParams>
void ForEachField(R& e, F&& f) {
    f(e.IPAddress.data(), EthParams::kIPAddressOffset, e.IPAddress.kWidth);
    f(e.Port.data(), EthParams::kPortOffset, e.Port.kWidth);
}

template <typename R, typename F>
requires std::is_same_v<std::remove_const_t<R>, ComParams>
void ForEachField(R& c, F&& f) {
    f(c.ComPort.data(), ComParams::kComPortOffset, c.ComPort.kWidth);
    f(c.BaudRate.data(), ComParams::kBaudRateOffset, c.BaudRate.kWidth);
    f(c.DataBits.data(), ComParams::kDataBitsOffset, c.DataBits.kWidth);
    f(c.Parity.data(), ComParams::kParityOffset, c.Parity.kWidth);
    f(c.StopBits.data(), ComParams::kStopBitsOffset, c.StopBits.kWidth);
}

template <typename Record, std::size_t N>
std::array<char, N> PackRecord(const Record& record) {
    std::array<char, N> bytes{};
    ForEachField(record, [&](const char* field, std::size_t at, std::size_t width) {
        std::memcpy(bytes.data() + at, field, width);
    });
    return bytes;
}

template <typename Record, std::size_t N>
void UnpackRecord(const std::array<char, N>& bytes, Record& record) {
    ForEachField(record, [&](char* field, std::size_t at, std::size_t width) {
        std::memcpy(field, bytes.data() + at, width);
    });
}

constexpr std::size_t kRequestWidths =
    9 + 9 + 2 + 9 + 129 + 10 + 7 + 2 + 2 + 2 + 2 + 6 + 12 + 11 + 7;
static_assert(kRequestWidths == POSRequest::kSize);
static_assert(9 + 9 + 2 + 9 + 129 + 10 == 168 && 168 + 7 == 175 && 175 + 8 == 183 &&
              183 + 6 == 189 && 189 + 12 == 201 && 201 + 11 == 212);
static_assert(sizeof(POSRequest) == POSRequest::kSize, "fields must pack without padding");
static_assert(sizeof(POSData) == POSData::kSize, "fields must pack without padding");
static_assert(sizeof(EthParams) == EthParams::kSize && sizeof(ComParams) == ComParams::kSize);

}  // namespace

const std::array<FieldRef, POSData::kFieldCount> kPOSDataFields = {{
    {"TerminalId", 0, 9},
    {"AcquirerId", 9, 12},
    {"TransactionType", 21, 4},
    {"TransactionResult", 25, 3},
    {"KODescription", 28, 25},
    {"CardType", 53, 2},
    {"STAN", 55, 7},
    {"POSBalance", 62, 17},
    {"BankBalance", 79, 17},
    {"PAN", 96, 20},
    {"AuthorizationCode", 116, 7},
    {"OperationNumber", 123, 7},
    {"AmountAuth", 130, 9},
    {"PreauthorizationCode", 139, 10},
    {"ActionCode", 149, 4},
    {"DataTrs", 153, 8},
    {"AmountEcho", 161, 9},
    {"Ticket", 170, 4097},
}};
static_assert(170 + 4097 == POSData::kSize);

void ForEachPosDataField(POSData& data, const std::function<void(int, std::span<char>)>& visit) {
    int i = 0;
    ForEachField(data, [&](char* field, std::size_t, std::size_t width) {
        visit(i++, std::span<char>(field, width));
    });
}

std::string FieldText(const POSData& data, int index) {
    std::string text;
    int i = 0;
    ForEachField(data, [&](const char* field, std::size_t, std::size_t width) {
        if (i++ == index) {
            text.assign(field, width);
        }
    });
    return text;
}

void SetFieldBytes(POSData& data, int index, const std::string& bytes) {
    ForEachPosDataField(data, [&](int i, std::span<char> field) {
        if (i == index) {
            std::fill(field.begin(), field.end(), '\0');
            std::copy_n(bytes.begin(), std::min(bytes.size(), field.size()), field.begin());
        }
    });
}

PackedRequest Pack(const POSRequest& record) {
    return PackRecord<POSRequest, POSRequest::kSize>(record);
}
PackedData Pack(const POSData& record) {
    return PackRecord<POSData, POSData::kSize>(record);
}
PackedEth Pack(const EthParams& record) {
    return PackRecord<EthParams, EthParams::kSize>(record);
}
PackedCom Pack(const ComParams& record) {
    return PackRecord<ComParams, ComParams::kSize>(record);
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

}  // namespace varnix::terminal
