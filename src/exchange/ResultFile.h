// The layout of a result file: six head lines ("KEY = value"), a separator, one line per POSData
// field, two separators; ANSI text, CR LF line ends. Builders for the full record (dump and
// log files) and for the simulated payment's fixed sample; they return bytes, callers write them.
#pragma once

#include <string>

#include "iae17/Records.h"

namespace varnix::exchange::resultfile {

inline constexpr const char* kSeparator =
    "----------------------------------------------------";  // 52 hyphens
inline constexpr const char* kGenericError = "ERRORE GENERICO, PROBABILI PARAMETRI NON CORRETTI";

// The values of the six head lines of the full writer, already decided.
struct Head {
    std::string command;      // TIPO_COMANDO
    std::string outcome;      // ESITO_COMANDO
    std::string transaction;  // ESITO_TRANSAZ
    std::string timestamp;    // DATAORA_TRANS
    std::string description;  // ERROR_DESCRIZ
    std::string detail;       // EXERR_DESCRIZ
};

std::string FormatHead(const Head& head);

// The POSDATA. block of the full writer. Removes the NULs from every field of `data` (the field
// is then blank-padded): the cash register's parser reads the block as text lines and stops at a
// NUL, and a later ShowResult on the console then shows the blanks.
std::string FormatPosDataBlock(iae17::POSData& data);

// The 18 fixed sample lines with their separators, shared by the simulated payment and the test
// tools' sample file.
std::string SamplePosDataBlock();

// The simulated payment's result file. `outcomePosition` is the 1-based position of the chosen
// expected result, 0 for none.
std::string FormatSimulatedFile(const std::string& amount, const std::string& paymentType,
                                int outcomePosition, const std::string& timestamp,
                                const std::string& koDescription);

// The test tools' sample result file: always a successful payment of `amount` with `type`.
std::string FormatManualSampleFile(const std::string& amount, const std::string& type,
                                   const std::string& timestamp);

}  // namespace varnix::exchange::resultfile
