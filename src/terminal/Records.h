// The request and outcome records exchanged with the terminal library, with their packed byte
// layouts. Every field is fixed-width text (see FixedText); a record travels as its packed bytes
// and the bytes the library leaves are copied back into the fields after each call.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include "terminal/FixedText.h"
#include "terminal/LinkParams.h"

namespace varnix::terminal {

// POSRequest, 219 bytes:
//   +0        +9       +18   +20          +29              +158            +168    +175
//   | Amount | EcrId | PT | TerminalId | ContractText(129) | PreauthCode(10) | STAN(7) |
//   Reserved1..8 | Reserved1..8 at 175, 177, 179, 181, 183, 189, 201, 212 with 2, 2, 2, 2, 6, 12,
//   11, 7 bytes.
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

// POSData, 4267 bytes: 18 fields in this order, at these offsets.
//   TerminalId 0/9, AcquirerId 9/12, TransactionType 21/4, TransactionResult 25/3,
//   KODescription 28/25, CardType 53/2, STAN 55/7, POSBalance 62/17, BankBalance 79/17,
//   PAN 96/20, AuthorizationCode 116/7, OperationNumber 123/7, AmountAuth 130/9,
//   PreauthorizationCode 139/10, ActionCode 149/4, DataTrs 153/8, AmountEcho 161/9,
//   Ticket 170/4097.
struct POSData {
    static constexpr std::size_t kSize = 4267;
    static constexpr int kFieldCount = 18;
    static constexpr int kShownFieldCount = 16;  // AmountEcho and Ticket are never shown

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

// A field of POSData by its position in the record, for the code that walks all of them.
struct FieldRef {
    const char* name;
    std::size_t offset;
    std::size_t width;
};
extern const std::array<FieldRef, POSData::kFieldCount> kPOSDataFields;

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

}  // namespace varnix::terminal
