#include "drive/scsi_errors.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tv {
namespace {

struct AdditionalSense {
    std::uint8_t Asc;
    std::uint8_t Ascq;
    const char* Text;
};

// SCSI Primary and MMC command sets.
constexpr AdditionalSense kAdditionalSense[] = {
    {0x00, 0x00, "NO ADDITIONAL SENSE INFORMATION"},
    {0x00, 0x06, "I/O PROCESS TERMINATED"},
    {0x00, 0x11, "AUDIO PLAY OPERATION IN PROGRESS"},
    {0x00, 0x12, "AUDIO PLAY OPERATION PAUSED"},
    {0x00, 0x13, "AUDIO PLAY OPERATION SUCCESSFULLY COMPLETED"},
    {0x00, 0x14, "AUDIO PLAY OPERATION STOPPED DUE TO ERROR"},
    {0x00, 0x15, "NO CURRENT AUDIO STATUS TO RETURN"},
    {0x00, 0x16, "OPERATION IN PROGRESS"},
    {0x00, 0x17, "CLEANING REQUESTED"},
    {0x02, 0x00, "NO SEEK COMPLETE"},
    {0x04, 0x00, "LOGICAL UNIT NOT READY, CAUSE NOT REPORTABLE"},
    {0x04, 0x01, "LOGICAL UNIT IS IN PROCESS OF BECOMING READY"},
    {0x04, 0x02, "LOGICAL UNIT NOT READY, INITIALIZING CMD. REQUIRED"},
    {0x04, 0x03, "LOGICAL UNIT NOT READY, MANUAL INTERVENTION REQUIRED"},
    {0x04, 0x04, "LOGICAL UNIT NOT READY, FORMAT IN PROGRESS"},
    {0x04, 0x07, "LOGICAL UNIT NOT READY, OPERATION IN PROGRESS"},
    {0x04, 0x08, "LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS"},
    {0x04, 0x09, "LOGICAL UNIT NOT READY, SELF-TEST IN PROGRESS"},
    {0x05, 0x00, "LOGICAL UNIT DOES NOT RESPOND TO SELECTION"},
    {0x06, 0x00, "NO REFERENCE POSITION FOUND"},
    {0x07, 0x00, "MULTIPLE PERIPHERAL DEVICES SELECTED"},
    {0x08, 0x00, "LOGICAL UNIT COMMUNICATION FAILURE"},
    {0x08, 0x01, "LOGICAL UNIT COMMUNICATION TIME-OUT"},
    {0x08, 0x02, "LOGICAL UNIT COMMUNICATION PARITY ERROR"},
    {0x08, 0x03, "LOGICAL UNIT COMMUNICATION CRC ERROR (ULTRA-DMA/32)"},
    {0x08, 0x04, "UNREACHABLE COPY TARGET"},
    {0x09, 0x00, "TRACK FOLLOWING ERROR"},
    {0x09, 0x01, "TRACKING SERVO FAILURE"},
    {0x09, 0x02, "FOCUS SERVO FAILURE"},
    {0x09, 0x03, "SPINDLE SERVO FAILURE"},
    {0x09, 0x04, "HEAD SELECT FAULT"},
    {0x0A, 0x00, "ERROR LOG OVERFLOW"},
    {0x0B, 0x00, "WARNING"},
    {0x0B, 0x01, "WARNING - SPECIFIED TEMPERATURE EXCEEDED"},
    {0x0B, 0x02, "WARNING - ENCLOSURE DEGRADED"},
    {0x0C, 0x00, "WRITE ERROR"},
    {0x0C, 0x07, "WRITE ERROR - RECOVERY NEEDED"},
    {0x0C, 0x08, "WRITE ERROR - RECOVERY FAILED"},
    {0x0C, 0x09, "WRITE ERROR - LOSS OF STREAMING"},
    {0x0C, 0x0A, "WRITE ERROR - PADDING BLOCKS ADDED"},
    {0x0D, 0x00, "ERROR DETECTED BY THIRD PARTY TEMPORARY INITIATOR"},
    {0x0D, 0x01, "THIRD PARTY DEVICE FAILURE"},
    {0x0D, 0x02, "COPY TARGET DEVICE NOT REACHABLE"},
    {0x0D, 0x03, "INCORRECT COPY TARGET DEVICE TYPE"},
    {0x0D, 0x04, "COPY TARGET DEVICE DATA UNDERRUN"},
    {0x0D, 0x05, "COPY TARGET DEVICE DATA OVERRUN"},
    {0x11, 0x00, "UNRECOVERED READ ERROR"},
    {0x11, 0x01, "READ RETRIES EXHAUSTED"},
    {0x11, 0x02, "ERROR TOO LONG TO CORRECT"},
    {0x11, 0x05, "L-EC UNCORRECTABLE ERROR"},
    {0x11, 0x06, "CIRC UNRECOVERED ERROR"},
    {0x11, 0x0D, "DE-COMPRESSION CRC ERROR"},
    {0x11, 0x0E, "CANNOT DECOMPRESS USING DECLARED ALGORITHM"},
    {0x11, 0x0F, "ERROR READING UPC/EAN NUMBER"},
    {0x11, 0x10, "ERROR READING ISRC NUMBER"},
    {0x11, 0x11, "READ ERROR - LOSS OF STREAMING"},
    {0x14, 0x00, "RECORDED ENTITY NOT FOUND"},
    {0x14, 0x01, "RECORD NOT FOUND"},
    {0x15, 0x00, "RANDOM POSITIONING ERROR"},
    {0x17, 0x00, "RECOVERED DATA WITH NO ERROR CORRECTION APPLIED"},
    {0x17, 0x01, "RECOVERED DATA WITH RETRIES"},
    {0x17, 0x02, "RECOVERED DATA WITH POSITIVE HEAD OFFSET"},
    {0x17, 0x03, "RECOVERED DATA WITH NEGATIVE HEAD OFFSET"},
    {0x17, 0x04, "RECOVERED DATA WITH RETRIES AND/OR CIRC APPLIED"},
    {0x17, 0x05, "RECOVERED DATA USING PREVIOUS SECTOR ID"},
    {0x17, 0x07, "RECOVERED DATA WITHOUT ECC - RECOMMEND REASSIGNMENT"},
    {0x17, 0x08, "RECOVERED DATA WITHOUT ECC - RECOMMEND REWRITE"},
    {0x17, 0x09, "RECOVERED DATA WITHOUT ECC - DATA REWRITTEN"},
    {0x18, 0x00, "RECOVERED DATA WITH ERROR CORRECTION APPLIED"},
    {0x18, 0x01, "RECOVERED DATA WITH ERROR CORR. & RETRIES APPLIED"},
    {0x18, 0x02, "RECOVERED DATA - DATA AUTO-REALLOCATED"},
    {0x18, 0x03, "RECOVERED DATA WITH CIRC"},
    {0x18, 0x04, "RECOVERED DATA WITH L-EC"},
    {0x18, 0x05, "RECOVERED DATA - RECOMMEND REASSIGNMENT"},
    {0x18, 0x06, "RECOVERED DATA - RECOMMEND REWRITE"},
    {0x18, 0x08, "RECOVERED DATA WITH LINKING"},
    {0x1A, 0x00, "PARAMETER LIST LENGTH ERROR"},
    {0x1B, 0x00, "SYNCHRONOUS DATA TRANSFER ERROR"},
    {0x1D, 0x00, "MISCOMPARE DURING VERIFY OPERATION"},
    {0x20, 0x00, "INVALID COMMAND OPERATION CODE"},
    {0x21, 0x00, "LOGICAL BLOCK ADDRESS OUT OF RANGE"},
    {0x24, 0x00, "INVALID FIELD IN CDB"},
    {0x24, 0x01, "CDB DECRYPTION ERROR"},
    {0x25, 0x00, "LOGICAL UNIT NOT SUPPORTED"},
    {0x26, 0x00, "INVALID FIELD IN PARAMETER LIST"},
    {0x26, 0x01, "PARAMETER NOT SUPPORTED"},
    {0x26, 0x02, "PARAMETER VALUE INVALID"},
    {0x26, 0x03, "THRESHOLD PARAMETERS NOT SUPPORTED"},
    {0x26, 0x04, "INVALID RELEASE OF PERSISTENT RESERVATION"},
    {0x26, 0x05, "DATA DECRYPTION ERROR"},
    {0x26, 0x06, "TOO MANY TARGET DESCRIPTORS"},
    {0x26, 0x07, "UNSUPPORTED TARGET DESCRIPTOR TYPE CODE"},
    {0x26, 0x08, "TOO MANY SEGMENT DESCRIPTORS"},
    {0x26, 0x09, "UNSUPPORTED SEGMENT DESCRIPTOR TYPE CODE"},
    {0x26, 0x0A, "UNEXPECTED INEXACT SEGMENT"},
    {0x26, 0x0B, "INLINE DATA LENGTH EXCEEDED"},
    {0x26, 0x0C, "INVALID OPERATION FOR COPY SOURCE OR DESTINATION"},
    {0x26, 0x0D, "COPY SEGMENT GRANULARITY VIOLATION"},
    {0x27, 0x00, "WRITE PROTECTED"},
    {0x27, 0x01, "HARDWARE WRITE PROTECTED"},
    {0x27, 0x02, "LOGICAL UNIT SOFTWARE WRITE PROTECTED"},
    {0x27, 0x03, "ASSOCIATED WRITE PROTECT"},
    {0x27, 0x04, "PERSISTENT WRITE PROTECT"},
    {0x27, 0x05, "PERMANENT WRITE PROTECT"},
    {0x27, 0x06, "CONDITIONAL WRITE PROTECT"},
    {0x28, 0x00, "NOT READY TO READY CHANGE, MEDIUM MAY HAVE CHANGED"},
    {0x28, 0x01, "IMPORT OR EXPORT ELEMENT ACCESSED"},
    {0x29, 0x00, "POWER ON, RESET, OR BUS DEVICE RESET OCCURRED"},
    {0x29, 0x01, "POWER ON OCCURRED"},
    {0x29, 0x02, "SCSI BUS RESET OCCURRED"},
    {0x29, 0x03, "BUS DEVICE RESET FUNCTION OCCURRED"},
    {0x29, 0x04, "DEVICE INTERNAL RESET"},
    {0x29, 0x05, "TRANSCEIVER MODE CHANGED TO SINGLE-ENDED"},
    {0x29, 0x06, "TRANSCEIVER MODE CHANGED TO LVD"},
    {0x2A, 0x00, "PARAMETERS CHANGED"},
    {0x2A, 0x01, "MODE PARAMETERS CHANGED"},
    {0x2A, 0x02, "LOG PARAMETERS CHANGED"},
    {0x2A, 0x03, "RESERVATIONS PREEMPTED"},
    {0x2A, 0x04, "RESERVATIONS RELEASED"},
    {0x2A, 0x05, "REGISTRATIONS PREEMPTED"},
    {0x2B, 0x00, "COPY CANNOT EXECUTE SINCE HOST CANNOT DISCONNECT"},
    {0x2C, 0x00, "COMMAND SEQUENCE ERROR"},
    {0x2C, 0x03, "CURRENT PROGRAM AREA IS NOT EMPTY"},
    {0x2C, 0x04, "CURRENT PROGRAM AREA IS EMPTY"},
    {0x2C, 0x06, "PERSISTENT PREVENT CONFLICT"},
    {0x2E, 0x00, "INSUFFICIENT TIME FOR OPERATION"},
    {0x2F, 0x00, "COMMANDS CLEARED BY ANOTHER INITIATOR"},
    {0x30, 0x00, "INCOMPATIBLE MEDIUM INSTALLED"},
    {0x30, 0x01, "CANNOT READ MEDIUM - UNKNOWN FORMAT"},
    {0x30, 0x02, "CANNOT READ MEDIUM - INCOMPATIBLE FORMAT"},
    {0x30, 0x03, "CLEANING CARTRIDGE INSTALLED"},
    {0x30, 0x04, "CANNOT WRITE MEDIUM - UNKNOWN FORMAT"},
    {0x30, 0x05, "CANNOT WRITE MEDIUM - INCOMPATIBLE FORMAT"},
    {0x30, 0x06, "CANNOT FORMAT MEDIUM - INCOMPATIBLE MEDIUM"},
    {0x30, 0x07, "CLEANING FAILURE"},
    {0x30, 0x08, "CANNOT WRITE - APPLICATION CODE MISMATCH"},
    {0x30, 0x09, "CURRENT SESSION NOT FIXATED FOR APPEND"},
    {0x30, 0x10, "MEDIUM NOT FORMATTED"},
    {0x31, 0x00, "MEDIUM FORMAT CORRUPTED"},
    {0x34, 0x00, "ENCLOSURE FAILURE"},
    {0x35, 0x00, "ENCLOSURE SERVICES FAILURE"},
    {0x35, 0x01, "UNSUPPORTED ENCLOSURE FUNCTION"},
    {0x35, 0x02, "ENCLOSURE SERVICES UNAVAILABLE"},
    {0x35, 0x03, "ENCLOSURE SERVICES TRANSFER FAILURE"},
    {0x35, 0x04, "ENCLOSURE SERVICES TRANSFER REFUSED"},
    {0x37, 0x00, "ROUNDED PARAMETER"},
    {0x39, 0x00, "SAVING PARAMETERS NOT SUPPORTED"},
    {0x3A, 0x00, "MEDIUM NOT PRESENT"},
    {0x3A, 0x01, "MEDIUM NOT PRESENT - TRAY CLOSED"},
    {0x3A, 0x02, "MEDIUM NOT PRESENT - TRAY OPEN"},
    {0x3A, 0x03, "MEDIUM NOT PRESENT - LOADABLE"},
    {0x3A, 0x04, "MEDIUM NOT PRESENT - MEDIUM AUXILIARY MEMORY ACCESSIBLE"},
    {0x3B, 0x0D, "MEDIUM DESTINATION ELEMENT FULL"},
    {0x3B, 0x0E, "MEDIUM SOURCE ELEMENT EMPTY"},
    {0x3B, 0x0F, "END OF MEDIUM REACHED"},
    {0x3B, 0x11, "MEDIUM MAGAZINE NOT ACCESSIBLE"},
    {0x3B, 0x12, "MEDIUM MAGAZINE REMOVED"},
    {0x3B, 0x13, "MEDIUM MAGAZINE INSERTED"},
    {0x3B, 0x14, "MEDIUM MAGAZINE LOCKED"},
    {0x3B, 0x15, "MEDIUM MAGAZINE UNLOCKED"},
    {0x3B, 0x16, "MECHANICAL POSITIONING OR CHANGER ERROR"},
    {0x3D, 0x00, "INVALID BITS IN IDENTIFY MESSAGE"},
    {0x3E, 0x00, "LOGICAL UNIT HAS NOT SELF-CONFIGURED YET"},
    {0x3E, 0x01, "LOGICAL UNIT FAILURE"},
    {0x3E, 0x02, "TIMEOUT ON LOGICAL UNIT"},
    {0x3E, 0x03, "LOGICAL UNIT FAILED SELF-TEST"},
    {0x3E, 0x04, "LOGICAL UNIT UNABLE TO UPDATE SELF-TEST LOG"},
    {0x3F, 0x00, "TARGET OPERATING CONDITIONS HAVE CHANGED"},
    {0x3F, 0x01, "MICROCODE HAS BEEN CHANGED"},
    {0x3F, 0x02, "CHANGED OPERATING DEFINITION"},
    {0x3F, 0x03, "INQUIRY DATA HAS CHANGED"},
    {0x3F, 0x04, "COMPONENT DEVICE ATTACHED"},
    {0x3F, 0x05, "DEVICE IDENTIFIER CHANGED"},
    {0x3F, 0x06, "REDUNDANCY GROUP CREATED OR MODIFIED"},
    {0x3F, 0x07, "REDUNDANCY GROUP DELETED"},
    {0x3F, 0x08, "SPARE CREATED OR MODIFIED"},
    {0x3F, 0x09, "SPARE DELETED"},
    {0x3F, 0x0A, "VOLUME SET CREATED OR MODIFIED"},
    {0x3F, 0x0B, "VOLUME SET DELETED"},
    {0x3F, 0x0C, "VOLUME SET DEASSIGNED"},
    {0x3F, 0x0D, "VOLUME SET REASSIGNED"},
    {0x3F, 0x0E, "REPORTED LUNS DATA HAS CHANGED"},
    {0x3F, 0x0F, "ECHO BUFFER OVERWRITTEN"},
    {0x3F, 0x10, "MEDIUM LOADABLE"},
    {0x3F, 0x11, "MEDIUM AUXILIARY MEMORY ACCESSIBLE"},
    {0x43, 0x00, "MESSAGE ERROR"},
    {0x44, 0x00, "INTERNAL TARGET FAILURE"},
    {0x45, 0x00, "SELECT OR RESELECT FAILURE"},
    {0x46, 0x00, "UNSUCCESSFUL SOFT RESET"},
    {0x47, 0x00, "SCSI PARITY ERROR"},
    {0x47, 0x01, "DATA PHASE CRC ERROR DETECTED"},
    {0x47, 0x02, "SCSI PARITY ERROR DETECTED DURING ST DATA PHASE"},
    {0x47, 0x03, "INFORMATION UNIT CRC ERROR DETECTED"},
    {0x47, 0x04, "ASYNCHRONOUS INFORMATION PROTECTION ERROR DETECTED"},
    {0x48, 0x00, "INITIATOR DETECTED ERROR MESSAGE RECEIVED"},
    {0x49, 0x00, "INVALID MESSAGE ERROR"},
    {0x4A, 0x00, "COMMAND PHASE ERROR"},
    {0x4B, 0x00, "DATA PHASE ERROR"},
    {0x4C, 0x00, "LOGICAL UNIT FAILED SELF-CONFIGURATION"},
    {0x4E, 0x00, "OVERLAPPED COMMANDS ATTEMPTED"},
    {0x51, 0x00, "ERASE FAILURE"},
    {0x51, 0x01, "ERASE FAILURE - INCOMPLETE ERASE OPERATION DETECTED"},
    {0x53, 0x00, "MEDIA LOAD OR EJECT FAILED"},
    {0x53, 0x02, "MEDIUM REMOVAL PREVENTED"},
    {0x55, 0x02, "INSUFFICIENT RESERVATION RESOURCES"},
    {0x55, 0x03, "INSUFFICIENT RESOURCES"},
    {0x55, 0x04, "INSUFFICIENT REGISTRATION RESOURCES"},
    {0x57, 0x00, "UNABLE TO RECOVER TABLE-OF-CONTENTS"},
    {0x5A, 0x00, "OPERATOR REQUEST OR STATE CHANGE INPUT"},
    {0x5A, 0x01, "OPERATOR MEDIUM REMOVAL REQUEST"},
    {0x5A, 0x02, "OPERATOR SELECTED WRITE PROTECT"},
    {0x5A, 0x03, "OPERATOR SELECTED WRITE PERMIT"},
    {0x5B, 0x00, "LOG EXCEPTION"},
    {0x5B, 0x01, "THRESHOLD CONDITION MET"},
    {0x5B, 0x02, "LOG COUNTER AT MAXIMUM"},
    {0x5B, 0x03, "LOG LIST CODES EXHAUSTED"},
    {0x5D, 0x00, "FAILURE PREDICTION THRESHOLD EXCEEDED"},
    {0x5D, 0x01, "MEDIA FAILURE PREDICTION THRESHOLD EXCEEDED"},
    {0x5D, 0x02, "LOGICAL UNIT FAILURE PREDICTION THRESHOLD EXCEEDED"},
    {0x5D, 0x03, "SPARE AREA EXHAUSTION PREDICTION THRESHOLD EXCEEDED"},
    {0x5D, 0xFF, "FAILURE PREDICTION THRESHOLD EXCEEDED (FALSE)"},
    {0x5E, 0x00, "LOW POWER CONDITION ON"},
    {0x5E, 0x01, "IDLE CONDITION ACTIVATED BY TIMER"},
    {0x5E, 0x02, "STANDBY CONDITION ACTIVATED BY TIMER"},
    {0x5E, 0x03, "IDLE CONDITION ACTIVATED BY COMMAND"},
    {0x5E, 0x04, "STANDBY CONDITION ACTIVATED BY COMMAND"},
    {0x63, 0x00, "END OF USER AREA ENCOUNTERED ON THIS TRACK"},
    {0x63, 0x01, "PACKET DOES NOT FIT IN AVAILABLE SPACE"},
    {0x64, 0x00, "ILLEGAL MODE FOR THIS TRACK"},
    {0x64, 0x01, "INVALID PACKET SIZE"},
    {0x65, 0x00, "VOLTAGE FAULT"},
    {0x6F, 0x00, "COPY PROTECTION KEY EXCHANGE FAILURE - AUTHENTICATION FAILURE"},
    {0x6F, 0x01, "COPY PROTECTION KEY EXCHANGE FAILURE - KEY NOT PRESENT"},
    {0x6F, 0x02, "COPY PROTECTION KEY EXCHANGE FAILURE - KEY NOT ESTABLISHED"},
    {0x6F, 0x03, "READ OF SCRAMBLED SECTOR WITHOUT AUTHENTICATION"},
    {0x6F, 0x04, "MEDIA REGION CODE IS MISMATCHED TO LOGICAL UNIT REGION"},
    {0x6F, 0x05, "DRIVE REGION MUST BE PERMANENT/REGION RESET COUNT ERROR"},
    {0x72, 0x00, "SESSION FIXATION ERROR"},
    {0x72, 0x01, "SESSION FIXATION ERROR WRITING LEAD-IN"},
    {0x72, 0x02, "SESSION FIXATION ERROR WRITING LEAD-OUT"},
    {0x72, 0x03, "SESSION FIXATION ERROR - INCOMPLETE TRACK IN SESSION"},
    {0x72, 0x04, "EMPTY OR PARTIALLY WRITTEN RESERVED TRACK"},
    {0x72, 0x05, "NO MORE TRACK RESERVATIONS ALLOWED"},
    {0x73, 0x00, "CD CONTROL ERROR"},
    {0x73, 0x01, "POWER CALIBRATION AREA ALMOST FULL"},
    {0x73, 0x02, "POWER CALIBRATION AREA IS FULL"},
    {0x73, 0x03, "POWER CALIBRATION AREA ERROR"},
    {0x73, 0x04, "PROGRAM MEMORY AREA UPDATE FAILURE"},
    {0x73, 0x05, "PROGRAM MEMORY AREA IS FULL"},
    {0x73, 0x06, "RMA/PMA IS ALMOST FULL"},
};

struct NamedCommand {
    std::uint8_t Opcode;
    const char* Name;
};

constexpr NamedCommand kCommandNames[] = {
    {0x00, "TEST UNIT READY"},
    {0x01, "REWIND UNIT"},
    {0x03, "REQUEST SENSE"},
    {0x04, "FORMAT UNIT"},
    {0x12, "INQUIRY"},
    {0x1B, "START STOP UNIT"},
    {0x1E, "PREVENT/ALLOW REMOVAL"},
    {0x23, "READ FORMAT CAPACITIES"},
    {0x25, "READ CAPACITY"},
    {0x28, "READ (10)"},
    {0x2A, "WRITE (10)"},
    {0x2B, "SEEK (10)"},
    {0x2E, "WRITE AND VERIFY (10)"},
    {0x2F, "VERIFY (10)"},
    {0x35, "SYNCHRONIZE CACHE"},
    {0x42, "READ SUB-CHANNEL"},
    {0x43, "READ TOC/PMA/ATIP"},
    {0x45, "PLAY AUDIO (10)"},
    {0x46, "GET CONFIGURATION"},
    {0x47, "PLAY AUDIO MSF"},
    {0x4A, "GET EVENT/STATUS NOTIF"},
    {0x4B, "PAUSE/RESUME"},
    {0x4E, "STOP PLAY/SCAN"},
    {0x51, "READ DISC INFORMATION"},
    {0x52, "READ TRACK INFORMATION"},
    {0x53, "RESERVE TRACK"},
    {0x54, "SEND OPC INFORMATION"},
    {0x55, "MODE SELECT (10)"},
    {0x58, "REPAIR TRACK"},
    {0x5A, "MODE SENSE (10)"},
    {0x5B, "CLOSE TRACK/SESSION"},
    {0x5C, "READ BUFFER CAPACITY"},
    {0x5D, "SEND CUE SHEET"},
    {0xA1, "BLANK"},
    {0xA2, "SEND EVENT"},
    {0xA3, "SEND KEY"},
    {0xA4, "REPORT KEY"},
    {0xA5, "PLAY AUDIO (12)"},
    {0xA6, "LOAD/UNLOAD CD/DVD"},
    {0xA7, "SET READ AHEAD"},
    {0xA8, "READ (12)"},
    {0xAA, "WRITE (12)"},
    {0xAC, "GET PERFORMANCE"},
    {0xAD, "READ DVD STRUCTURE"},
    {0xB6, "SET STREAMING"},
    {0xB9, "READ CD MSF"},
    {0xBA, "SCAN"},
    {0xBB, "SET CD SPEED"},
    {0xBD, "MECHANISM STATUS"},
    {0xBE, "READ CD"},
    {0xBF, "SEND DVD STRUCTURE"},
};

std::string Hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
    return text;
}

}  // namespace

std::string StatusText(std::uint8_t status, std::uint8_t hostStatus, std::uint8_t targetStatus,
                       bool& busy) {
    busy = false;
    switch (status) {
        case SS_PENDING:
        case SS_COMP:
            return {};
        case SS_ABORTED:
        case SS_ABORT_FAIL:
            return "OPERATION ABORTED BY USER";
        case SS_ERR:
            switch (hostStatus) {
                case HASTAT_OK:
                    switch (targetStatus) {
                        case STATUS_GOOD:
                        case STATUS_CHKCOND:
                            return "CHECK CONDITION";
                        case STATUS_BUSY:
                            busy = true;
                            return "TARGET BUSY";
                        case STATUS_RESCONF:
                            return "TARGET RESERVATION CONFLICT";
                        case STATUS_QUEUE_FULL:
                            return "TARGET QUEUE FULL";
                        default:
                            return "UNKNOWN";
                    }
                case HASTAT_TIMEOUT:
                    return "COMMAND TIMEOUT";
                case HASTAT_COMMAND_TIMEOUT:
                    return "SRB TIMEOUT";
                case HASTAT_MESSAGE_REJECT:
                    return "MESSAGE REJECT";
                case HASTAT_BUS_RESET:
                    return "BUS RESET";
                case HASTAT_PARITY_ERROR:
                    return "PARITY ERROR";
                case HASTAT_REQUEST_SENSE_FAILED:
                    return "REQUEST SENSE FAILED";
                case HASTAT_SEL_TO:
                    return "SELECTION TIMEOUT";
                case HASTAT_DO_DU:
                    return "DATA OVERRUN";
                case HASTAT_BUS_FREE:
                    return "UNEXPECTED BUS FREE";
                default:
                    return "UNKNOWN";
            }
        case SS_INVALID_CMD:
            return "INVALID REQUEST";
        case SS_INVALID_HA:
            return "INVALID HOST ADAPTER";
        case SS_NO_DEVICE:
            return "NO DEVICE";
        case SS_INVALID_SRB:
            return "INVALID SRB";
        case SS_BUFFER_ALIGN:
            return "BUFFER ALIGNMENT";
        case SS_ASPI_IS_BUSY:
            return "ASPI IS BUSY";
        case SS_BUFFER_TO_BIG:
            return "BUFFER TOO BIG";
        case SS_ACCESS_DENIED:
            return "ACCESS DENIED";
        default:
            return "UNKNOWN";
    }
}

std::string SenseKeyText(const std::uint8_t* sense) {
    if (sense[0] == 0) return {};
    const std::uint8_t code = sense[0] & 0x7E;
    if (code != 0x70) return "UNKNOWN";
    switch (sense[2] & 0x0F) {
        case 0:
            if (sense[2] & 0x80) return "FILEMARK";
            if (sense[2] & 0x40) return "END OF MEDIA";
            if (sense[2] & 0x20) return "ILLEGAL LENGTH";
            return "NO ADDITIONAL SENSE INFORMATION";
        case 1:
            return "RECOVERED ERROR";
        case 2:
            return "NOT READY";
        case 3:
            return "MEDIUM ERROR";
        case 4:
            return "HARDWARE ERROR";
        case 5:
            return "ILLEGAL REQUEST";
        case 6:
            return "UNIT ATTENTION";
        case 7:
            return "DATA PROTECT";
        case 8:
            return "ERASE CHECK";
        case 10:
            return "COPYABORTED";
        case 11:
            return "ABORTED COMMAND";
        case 13:
            return "VOLUME OVERFLOW";
        case 14:
            return "MISCOMPARE";
        case 15:
            return "RESERVED";
        default:
            return "CHECK CONDITION";
    }
}

std::string AdditionalSenseText(std::uint8_t asc, std::uint8_t ascq) {
    for (const AdditionalSense& entry : kAdditionalSense)
        if (entry.Asc == asc && entry.Ascq == ascq) return entry.Text;
    return std::to_string(asc) + "," + std::to_string(ascq);
}

std::size_t AdditionalSenseTableSize() {
    return std::size(kAdditionalSense);
}

std::string RequestErrorText(const SRB_ExecSCSICmd& request, bool& busy) {
    std::string text =
        StatusText(request.SRB_Status, request.SRB_HaStat, request.SRB_TargStat, busy);
    if (text == "CHECK CONDITION") text = SenseKeyText(request.SenseArea);
    if (request.SRB_Status != SS_PENDING && request.SRB_Status != SS_COMP &&
        request.SenseArea[7] != 0)
        text += " (" + AdditionalSenseText(request.SenseArea[12], request.SenseArea[13]) + ")";
    return text;
}

const std::array<std::string, 255>& CommandNames() {
    static const std::array<std::string, 255> names = [] {
        std::array<std::string, 255> table;
        for (unsigned opcode = 0; opcode < table.size(); ++opcode) table[opcode] = Hex2(opcode);
        for (const NamedCommand& command : kCommandNames) {
            std::string name = command.Name;
            name.resize(std::max<std::size_t>(name.size(), 22), ' ');
            table[command.Opcode] = name;
        }
        return table;
    }();
    return names;
}

std::string ErrorLogLine(const SRB_ExecSCSICmd& request, std::uint8_t adapter, std::uint8_t target,
                         std::uint8_t lun, const std::string& lastErrorText) {
    const std::uint8_t opcode = request.CDBByte[0];
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "(%02X) {%02X|%02X} - %u:%X:%u <%02X> [%05X] ", opcode,
                  request.SRB_Flags, request.SRB_CDBLen, adapter, target, lun, request.SRB_Status,
                  request.SRB_BufLen);
    std::string text = buffer;
    for (int i = 1; i < 16; ++i) text += Hex2(request.CDBByte[i]) + " ";
    text = (opcode < 255 ? CommandNames()[opcode] : Hex2(opcode)) + " " + text + " |";
    if (request.SRB_BufLen != 0 && request.SRB_BufPointer != nullptr) {
        const std::uint32_t count = std::min<std::uint32_t>(request.SRB_BufLen, 257);
        for (std::uint32_t i = 0; i < count; ++i) text += Hex2(request.SRB_BufPointer[i]) + " ";
    }
    const std::uint8_t* sense = request.SenseArea;
    return "<<< " + text + "= " + Hex2(request.SRB_HaStat) + " " + Hex2(request.SRB_TargStat) +
           " " + Hex2(sense[0]) + " " + Hex2(sense[2]) + " " + "ASC:" + Hex2(sense[12]) +
           ",ASQ:" + Hex2(sense[13]) + " " + lastErrorText;
}

void ConvertDescriptorSense(std::uint8_t* sense, std::size_t length) {
    if (length < 4) return;
    const std::uint8_t code = sense[0] & 0x7F;
    if (code != 0x72 && code != 0x73) return;
    std::uint8_t descriptor[252] = {};
    const std::size_t available = std::min<std::size_t>(length, 8u + sense[7]);
    const std::size_t copied = available > 8 ? available - 8 : 0;
    if (copied) std::memcpy(descriptor, sense + 8, std::min(copied, sizeof descriptor));
    const std::uint8_t key = sense[1] & 0x0F, asc = sense[2], ascq = sense[3];

    std::memset(sense, 0, length);
    sense[0] = code == 0x72 ? 0x70 : 0x71;
    if (length > 2) sense[2] = key;
    if (length > 7) sense[7] = 10;
    if (length > 13) {
        sense[12] = asc;
        sense[13] = ascq;
    }
    // An information descriptor (type 0) gives the information field.
    for (std::size_t at = 0; at + 2 <= copied && at + 2 <= sizeof descriptor;) {
        const std::uint8_t type = descriptor[at];
        const std::size_t size = 2u + descriptor[at + 1];
        if (type == 0x00 && size >= 12 && at + 12 <= copied && length > 6) {
            sense[0] |= 0x80;  // the information field is valid
            std::memcpy(sense + 3, descriptor + at + 8, 4);
        }
        at += size;
    }
}

}  // namespace tv
