#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "drive/aspi.h"

namespace tv {

// The text of a request's status ("CHECK CONDITION", "COMMAND TIMEOUT", ...);
// busy becomes true for TARGET BUSY.
std::string StatusText(std::uint8_t status, std::uint8_t hostStatus, std::uint8_t targetStatus,
                       bool& busy);

// The sense-key text of fixed-format sense data ("NOT READY"); empty when byte 0
// is 0, "UNKNOWN" for other response codes, "CHECK CONDITION" for keys 9 and 12.
std::string SenseKeyText(const std::uint8_t* sense);

// The standard's description of an ASC/ASCQ pair in capitals, or "ASC,ASCQ" in
// decimal for a pair the table does not hold.
std::string AdditionalSenseText(std::uint8_t asc, std::uint8_t ascq);

// The number of ASC/ASCQ pairs the table describes.
std::size_t AdditionalSenseTableSize();

// LastErrorText of a finished request: the status text, for CHECK CONDITION
// replaced by the sense key, followed by " (" additional sense text ")" when the
// sense data has an additional length.
std::string RequestErrorText(const SRB_ExecSCSICmd& request, bool& busy);

// The name of every opcode 0x00-0xFE: known commands padded to 22 characters,
// the others as two hex digits.
const std::array<std::string, 255>& CommandNames();

// The log line of a failed command ("<<< " ...).
std::string ErrorLogLine(const SRB_ExecSCSICmd& request, std::uint8_t adapter, std::uint8_t target,
                         std::uint8_t lun, const std::string& lastErrorText);

// Sense data in descriptor format (response codes 0x72 and 0x73) rewritten in
// place as fixed format (0x70 and 0x71), so that its key, ASC and ASCQ sit where
// the fixed format has them. Other sense data stays as it is.
void ConvertDescriptorSense(std::uint8_t* sense, std::size_t length);

}  // namespace tv
