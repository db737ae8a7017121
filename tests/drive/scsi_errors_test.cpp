#include "drive/scsi_errors.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tv {
namespace {

SRB_ExecSCSICmd FailedRequest(std::initializer_list<std::uint8_t> sense) {
    SRB_ExecSCSICmd request{};
    request.SRB_Status = SS_ERR;
    request.SRB_TargStat = STATUS_CHKCOND;
    std::size_t i = 0;
    for (std::uint8_t b : sense) request.SenseArea[i++] = b;
    return request;
}

TEST(ErrorText, StatusValuesHaveTheirTexts) {
    bool busy = false;
    EXPECT_EQ(StatusText(SS_COMP, 0, 0, busy), "");
    EXPECT_EQ(StatusText(SS_ABORTED, 0, 0, busy), "OPERATION ABORTED BY USER");
    EXPECT_EQ(StatusText(SS_ERR, HASTAT_TIMEOUT, 0, busy), "COMMAND TIMEOUT");
    EXPECT_EQ(StatusText(SS_ERR, HASTAT_SEL_TO, 0, busy), "SELECTION TIMEOUT");
    EXPECT_EQ(StatusText(SS_ERR, 0, STATUS_RESCONF, busy), "TARGET RESERVATION CONFLICT");
    EXPECT_FALSE(busy);
    EXPECT_EQ(StatusText(SS_ERR, 0, STATUS_BUSY, busy), "TARGET BUSY");
    EXPECT_TRUE(busy);
    EXPECT_EQ(StatusText(SS_NO_DEVICE, 0, 0, busy), "NO DEVICE");
    EXPECT_EQ(StatusText(SS_BUFFER_TO_BIG, 0, 0, busy), "BUFFER TOO BIG");
    EXPECT_EQ(StatusText(0x77, 0, 0, busy), "UNKNOWN");
}

TEST(ErrorText, CheckConditionIsReadFromTheSenseData) {
    bool busy = false;
    EXPECT_EQ(RequestErrorText(
                  FailedRequest({0x70, 0, 0x02, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x3A, 0x00}), busy),
              "NOT READY (MEDIUM NOT PRESENT)");
    EXPECT_EQ(RequestErrorText(
                  FailedRequest({0xF1, 0, 0x05, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x21, 0x02}), busy),
              "ILLEGAL REQUEST (33,2)");  // a pair the table does not hold
    EXPECT_EQ(RequestErrorText(FailedRequest({0x70, 0, 0x80}), busy), "FILEMARK");
    EXPECT_EQ(RequestErrorText(FailedRequest({0x70, 0, 0x09}), busy), "CHECK CONDITION");
    EXPECT_EQ(RequestErrorText(FailedRequest({0x72, 0, 0x02}), busy), "UNKNOWN");
    EXPECT_EQ(RequestErrorText(FailedRequest({}), busy), "");
}

TEST(ErrorText, DescriptorSenseIsReadLikeFixedSense) {
    SRB_ExecSCSICmd request = FailedRequest({0x72, 0x03, 0x0C, 0x09, 0, 0, 0,    12,   0x00, 0x0A,
                                             0x80, 0,    0,    0,    0, 0, 0x00, 0x01, 0x23, 0x45});
    ConvertDescriptorSense(request.SenseArea, kSenseBytes);
    bool busy = false;
    EXPECT_EQ(RequestErrorText(request, busy), "MEDIUM ERROR (WRITE ERROR - LOSS OF STREAMING)");
    EXPECT_EQ(request.SenseArea[0], 0xF0);  // information valid
    EXPECT_EQ(request.SenseArea[6], 0x45);
}

TEST(ErrorText, TheAdditionalSenseTableHoldsItsPairs) {
    EXPECT_EQ(AdditionalSenseTableSize(), 250u);
    EXPECT_EQ(AdditionalSenseText(0x04, 0x01), "LOGICAL UNIT IS IN PROCESS OF BECOMING READY");
    EXPECT_EQ(AdditionalSenseText(0x30, 0x05), "CANNOT WRITE MEDIUM - INCOMPATIBLE FORMAT");
    EXPECT_EQ(AdditionalSenseText(0x72, 0x03),
              "SESSION FIXATION ERROR - INCOMPLETE TRACK IN SESSION");
    EXPECT_EQ(AdditionalSenseText(0x73, 0x03), "POWER CALIBRATION AREA ERROR");
    EXPECT_EQ(AdditionalSenseText(0x5D, 0xFF), "FAILURE PREDICTION THRESHOLD EXCEEDED (FALSE)");
    EXPECT_EQ(AdditionalSenseText(0x99, 0x01), "153,1");
}

TEST(CommandNames, KnownCommandsArePaddedOthersAreHex) {
    const auto& names = CommandNames();
    EXPECT_EQ(names[0x2A], "WRITE (10)            ");
    EXPECT_EQ(names[0x2A].size(), 22u);
    EXPECT_EQ(names[0x1E], "PREVENT/ALLOW REMOVAL ");
    EXPECT_EQ(names[0x5E], "5E");
    EXPECT_EQ(names[0xFE], "FE");
}

TEST(ErrorLogLine, HasItsFixedLayout) {
    std::uint8_t data[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    SRB_ExecSCSICmd request =
        FailedRequest({0x70, 0, 0x03, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x0C, 0x00});
    request.SRB_Flags = 0x50;
    request.SRB_CDBLen = 10;
    request.SRB_BufLen = 4;
    request.SRB_BufPointer = data;
    const std::uint8_t cdb[10] = {0x2A, 0, 0, 0, 0x10, 0, 0, 0, 2, 0};
    std::memcpy(request.CDBByte, cdb, sizeof cdb);
    EXPECT_EQ(ErrorLogLine(request, 1, 10, 0, "MEDIUM ERROR (WRITE ERROR)"),
              "<<< WRITE (10)             (2A) {50|0A} - 1:A:0 <04> [00004] 00 00 00 10 00 00 00 "
              "02 00 00 00 00 00 "
              "00 00  |DE AD BE EF = 00 02 70 03 ASC:0C,ASQ:00 MEDIUM ERROR (WRITE ERROR)");
}

}  // namespace
}  // namespace tv
