// The request and outcome records exchanged with the terminal library. Every field is
// fixed-width text (see FixedText) and a record's bytes are its fields in declaration order, so
// the drawings below are the whole layout: offsets are derived from the fields, never written
// twice, and a width that changes breaks the size check at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include "iae17/FixedText.h"
#include "iae17/LinkParams.h"

namespace varnix::iae17 {

// POSRequest, 219 bytes:
//   +0          +9         +18     +20             +29                 +158
//   | Amount(9) | EcrId(9) | PT(2) | TerminalId(9) | ContractText(129) | PreauthCode(10) |
//   +168      +175                                                       +219
//   | STAN(7) | Reserved1..8 (2, 2, 2, 2, 6, 12, 11, 7)                  |
struct POSRequest {
    static constexpr std::size_t kSize = 219;

    FixedText<9> Amount;
    FixedText<9> EcrId;
    FixedText<2> PaymentType;
    FixedText<9> TerminalId;
    FixedText<129> ContractText;
    FixedText<10> PreauthorizationCode;
    FixedText<7> STAN;
    FixedText<2> Reserved1;
    FixedText<2> Reserved2;
    FixedText<2> Reserved3;
    FixedText<2> Reserved4;
    FixedText<6> Reserved5;
    FixedText<12> Reserved6;
    FixedText<11> Reserved7;
    FixedText<7> Reserved8;
};

// POSData, 4267 bytes:
//   +0              +9              +21                 +25                   +28
//   | TerminalId(9) | AcquirerId(12) | TransactionType(4) | TransactionResult(3) |
//   +28                 +53          +55      +62              +79              +96
//   | KODescription(25) | CardType(2) | STAN(7) | POSBalance(17) | BankBalance(17) |
//   +96       +116                   +123                 +130           +139
//   | PAN(20) | AuthorizationCode(7) | OperationNumber(7) | AmountAuth(9) |
//   +139                     +149           +153        +161           +170           +4267
//   | PreauthorizationCode(10) | ActionCode(4) | DataTrs(8) | AmountEcho(9) | Ticket(4097) |
struct POSData {
    static constexpr std::size_t kSize = 4267;

    FixedText<9> TerminalId;
    FixedText<12> AcquirerId;
    FixedText<4> TransactionType;
    FixedText<3> TransactionResult;
    FixedText<25> KODescription;
    FixedText<2> CardType;
    FixedText<7> STAN;
    FixedText<17> POSBalance;
    FixedText<17> BankBalance;
    FixedText<20> PAN;
    FixedText<7> AuthorizationCode;
    FixedText<7> OperationNumber;
    FixedText<9> AmountAuth;
    FixedText<10> PreauthorizationCode;
    FixedText<4> ActionCode;
    FixedText<8> DataTrs;
    FixedText<9> AmountEcho;
    FixedText<4097> Ticket;
};

static_assert(kIsPackedRecord<POSRequest>);
static_assert(kIsPackedRecord<POSData>);

// A field of POSData by its position in the record, for the code that walks all of them.
struct FieldRef {
    const char* name;
    std::size_t offset;
    std::size_t width;
};

#define VARNIX_POSDATA_FIELD(member)                                          \
    FieldRef {                                                                \
#member, offsetof(POSData, member), decltype(POSData::member)::kWidth \
    }
inline constexpr std::array kPOSDataFields = {
    VARNIX_POSDATA_FIELD(TerminalId),
    VARNIX_POSDATA_FIELD(AcquirerId),
    VARNIX_POSDATA_FIELD(TransactionType),
    VARNIX_POSDATA_FIELD(TransactionResult),
    VARNIX_POSDATA_FIELD(KODescription),
    VARNIX_POSDATA_FIELD(CardType),
    VARNIX_POSDATA_FIELD(STAN),
    VARNIX_POSDATA_FIELD(POSBalance),
    VARNIX_POSDATA_FIELD(BankBalance),
    VARNIX_POSDATA_FIELD(PAN),
    VARNIX_POSDATA_FIELD(AuthorizationCode),
    VARNIX_POSDATA_FIELD(OperationNumber),
    VARNIX_POSDATA_FIELD(AmountAuth),
    VARNIX_POSDATA_FIELD(PreauthorizationCode),
    VARNIX_POSDATA_FIELD(ActionCode),
    VARNIX_POSDATA_FIELD(DataTrs),
    VARNIX_POSDATA_FIELD(AmountEcho),
    VARNIX_POSDATA_FIELD(Ticket),
};
#undef VARNIX_POSDATA_FIELD

// The text of field `index` (0-based, record order), all of its bytes.
std::string FieldText(const POSData& data, int index);
// Replaces the whole field with `bytes` (cut or NUL-filled to the width: a raw copy).
void SetFieldBytes(POSData& data, int index, const std::string& bytes);
// Hands every field of `data` to `visit` in record order, in one pass (the result writer walks
// all eighteen for every exchange, the 4 KB ticket included).
void ForEachPosDataField(POSData& data, const std::function<void(int, std::span<char>)>& visit);

using PackedRequest = std::array<char, POSRequest::kSize>;
using PackedData = std::array<char, POSData::kSize>;
using PackedEth = std::array<char, EthParams::kSize>;
using PackedCom = std::array<char, ComParams::kSize>;

PackedRequest Pack(const POSRequest& record);
PackedData Pack(const POSData& record);
PackedEth Pack(const EthParams& record);
PackedCom Pack(const ComParams& record);
void Unpack(const PackedRequest& bytes, POSRequest& record);
void Unpack(const PackedData& bytes, POSData& record);
void Unpack(const PackedEth& bytes, EthParams& record);
void Unpack(const PackedCom& bytes, ComParams& record);

// The records that exist once per process.
struct Records {
    POSRequest request;
    POSData data;
};

}  // namespace varnix::iae17
