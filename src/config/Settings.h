// The process-wide connection and exchange settings, owned by one object for the whole run.
// They start empty (numbers 0, text empty, ecrIdRequired false) and change only when the
// configuration reader applies an entry or an operation copies console values into the records.
#pragma once

#include <cstdint>
#include <string>

#include "iae17/LinkParams.h"

namespace varnix::config {

struct Settings {
    // 0 Ethernet; any other value counts as serial.
    std::int16_t ConnectionType = 0;
    iae17::EthParams EthParams;
    iae17::ComParams ComParams;

    std::string InputFilePath;   // INPF: the cash register's command file
    std::string OutputFilePath;  // OUTF: the result file
    std::string ConfigFilePath;  // the configuration file last set
    bool ecrIdRequired = false;  // ECRI: commands must carry the cash-register id

    std::string DataFolder;  // ends with the platform's separator once resolved

    bool IsEthernet() const { return ConnectionType == 0; }
};

}  // namespace varnix::config
