// The recorder's answers that describe the drive and its medium: identification,
// sense data, mode pages, features, disc and track information, table of
// contents and capacities.

#include <algorithm>
#include <cstring>

#include "base/byte_order.h"
#include "drive/simulated_recorder.h"

namespace tv {

SimulatedRecorder::Result SimulatedRecorder::Inquiry(std::uint8_t* data,
                                                     std::uint32_t length) const {
    std::vector<std::uint8_t> answer(96, 0);
    answer[0] = 0x05;  // CD/DVD
    answer[1] = 0x80;  // removable
    answer[2] = 0x05;
    answer[3] = 0x02;
    answer[4] = 91;
    std::string product = product_;
    product.resize(16, ' ');
    std::memcpy(answer.data() + 8, "TUNEVLT ", 8);
    std::memcpy(answer.data() + 16, product.data(), 16);
    std::memcpy(answer.data() + 32, "1.00", 4);
    return Reply(data, length, answer);
}

SimulatedRecorder::Result SimulatedRecorder::RequestSense(std::uint8_t* data,
                                                          std::uint32_t length) {
    std::vector<std::uint8_t> answer(18, 0);
    answer[0] = 0x70;
    answer[7] = 10;
    if (const auto refused = MediumNotReady(true))
        std::memcpy(answer.data(), refused->Sense.data(), 18);
    return Reply(data, length, answer);
}

SimulatedRecorder::Result SimulatedRecorder::ModeSense(const std::uint8_t* cdb, std::uint8_t* data,
                                                       std::uint32_t length) const {
    const std::uint8_t page = cdb[2] & 0x3F;
    if (defaultValuesRefused_ && (cdb[2] & 0xC0) == 0x80) return Check(0x05, 0x24, 0x00);
    std::vector<std::uint8_t> answer(8, 0);
    if (page == 0x2A) {
        std::vector<std::uint8_t> caps(32, 0);
        caps[0] = 0x2A;
        caps[1] = 30;
        caps[2] = 0x3F;  // reads CD-R, CD-RW, method 2, DVD-ROM, DVD-R, DVD-RAM
        caps[3] = 0x37;  // writes CD-R, CD-RW, test write, DVD-R, DVD-RAM
        caps[4] = 0x80;  // buffer underrun free
        WriteBig16(caps.data() + 8, kMaximumReadSpeed);
        WriteBig16(caps.data() + 12, kBufferSize / 1024);
        WriteBig16(caps.data() + 14, readSpeed_);  // current read speed
        WriteBig16(caps.data() + 18, kMaximumWriteSpeed);
        WriteBig16(caps.data() + 20, writeSpeed_);  // current write speed
        if (readOnly_) {  // reads DVDs, writes nothing
            caps[3] = 0;
            caps[4] = 0;
            WriteBig16(caps.data() + 18, 0);
            WriteBig16(caps.data() + 20, 0);
        }
        answer.insert(answer.end(), caps.begin(), caps.end());
    } else if (page == 0x05 && !readOnly_) {
        answer.insert(answer.end(), page05_.begin(), page05_.end());
    } else {
        return Check(0x05, 0x24, 0x00);
    }
    WriteBig16(answer.data(), static_cast<std::uint32_t>(answer.size() - 2));
    return Reply(data, std::min<std::uint32_t>(length, ReadBig16(cdb + 7)), answer);
}

SimulatedRecorder::Result SimulatedRecorder::ModeSelect(const std::uint8_t* data,
                                                        std::uint32_t length) {
    if (data == nullptr || length < 10) return Check(0x05, 0x1A, 0x00);
    const std::uint32_t descriptors = ReadBig16(data + 6);
    const std::uint8_t* page = data + 8 + descriptors;
    if (8 + descriptors + 2 > length) return Check(0x05, 0x1A, 0x00);
    if ((page[0] & 0x3F) != 0x05) return Check(0x05, 0x26, 0x00);
    const std::uint8_t writeType = page[2] & 0x0F;
    if (writeType > 2 && writeType != 4)
        return Check(0x05, 0x26, 0x02);  // raw writing is not offered
    // DVD+R, DVD+RW and DVD-RAM have no test mode: a drive refuses the bit
    // rather than write for real.
    const MediumKind medium = medium_.Kind();
    if ((page[2] & 0x10) && (medium == MediumKind::DvdPlusR || medium == MediumKind::DvdPlusRw ||
                             medium == MediumKind::DvdRam))
        return Check(0x05, 0x26, 0x00);
    const std::uint32_t pageLength =
        std::min<std::uint32_t>(page[1] + 2u, length - 8 - descriptors);
    page05_.assign(page, page + pageLength);
    page05_.resize(54, 0);
    testWritten_ = 0;  // new write parameters: a test write starts over
    return Result{};
}

SimulatedRecorder::Result SimulatedRecorder::GetConfiguration(const std::uint8_t* cdb,
                                                              std::uint8_t* data,
                                                              std::uint32_t length) const {
    if (!faults_.GetConfigurationSupported()) return Check(0x05, 0x20, 0x00);
    const std::uint16_t feature = ReadBig16(cdb + 2);
    std::vector<std::uint8_t> answer(8, 0);
    WriteBig16(answer.data() + 6, medium_.Profile());
    const auto add = [&](std::uint16_t code, bool current, std::vector<std::uint8_t> body) {
        const std::size_t at = answer.size();
        answer.resize(at + 4 + body.size(), 0);
        WriteBig16(answer.data() + at, code);
        answer[at + 2] = static_cast<std::uint8_t>(0x02 | (current ? 1 : 0));
        answer[at + 3] = static_cast<std::uint8_t>(body.size());
        std::copy(body.begin(), body.end(), answer.begin() + static_cast<std::ptrdiff_t>(at + 4));
    };
    if (feature == 0x0000) {
        std::vector<std::uint8_t> profiles;
        for (std::uint16_t profile : {0x1B, 0x1A, 0x14, 0x13, 0x12, 0x11, 0x10, 0x0A, 0x09, 0x08}) {
            profiles.push_back(0);
            profiles.push_back(static_cast<std::uint8_t>(profile));
            profiles.push_back(profile == medium_.Profile() ? 1 : 0);
            profiles.push_back(0);
        }
        add(0x0000, true, profiles);
    } else if (feature == 0x002A) {
        add(0x002A,
            medium_.Kind() == MediumKind::DvdPlusRw ||
                medium_.Kind() == MediumKind::DvdPlusRwUnformatted,
            {static_cast<std::uint8_t>(readOnly_ ? 0x00 : 0x01), 0, 0, 0});
    } else if (feature == 0x002F && !readOnly_) {
        add(0x002F,
            medium_.Kind() == MediumKind::DvdR || medium_.Kind() == MediumKind::DvdRwSequential,
            {0x46, 0, 0, 0});
    }
    WriteBig32(answer.data(), static_cast<std::uint32_t>(answer.size() - 4));
    return Reply(data, std::min<std::uint32_t>(length, ReadBig16(cdb + 7)), answer);
}

SimulatedRecorder::Result SimulatedRecorder::ReadDiscInformation(std::uint8_t* data,
                                                                 std::uint32_t length) const {
    std::vector<std::uint8_t> answer(34, 0);
    WriteBig16(answer.data(), 32);
    std::uint8_t status = 0, lastSession = 0, sessions = 0, lastTrack = 0;
    if (medium_.IsOverwritable()) {
        status = 2;
        lastSession = 3;
        sessions = lastTrack = 1;
    } else if (medium_.Kind() == MediumKind::DvdPlusRwUnformatted) {
        sessions = lastTrack = 1;
    } else if (medium_.Closed()) {
        status = 2;
        lastSession = 3;
        sessions = lastTrack = static_cast<std::uint8_t>(medium_.Sessions().size());
    } else {
        status = medium_.Sessions().empty() && medium_.Written() == 0 ? 0 : 1;
        lastSession = medium_.Written() > 0 ? 1 : 0;
        sessions = lastTrack = static_cast<std::uint8_t>(medium_.Sessions().size() + 1);
    }
    answer[2] =
        static_cast<std::uint8_t>((medium_.IsErasable() ? 0x10 : 0) | (lastSession << 2) | status);
    answer[3] = 1;
    answer[4] = sessions;
    answer[5] = lastTrack;
    answer[6] = lastTrack;
    answer[7] = 0x20;  // unrestricted use
    answer[8] = medium_.IsCd() ? 0x00 : 0xFF;
    WriteBig32(answer.data() + 16, medium_.Closed() ? 0xFFFFFFFF : medium_.OpenTrackStart());
    WriteBig32(answer.data() + 20, medium_.Capacity());
    return Reply(data, length, answer);
}

SimulatedRecorder::Result SimulatedRecorder::ReadTrackInformation(const std::uint8_t* cdb,
                                                                  std::uint8_t* data,
                                                                  std::uint32_t length) const {
    // A pressed disc has no track to write: drives refuse the command for it as
    // many read-only drives refuse it altogether.
    if (medium_.Kind() == MediumKind::CdRom || medium_.Kind() == MediumKind::DvdRom)
        return Check(0x05, 0x20, 0x00);
    if ((cdb[1] & 0x03) != 1) return Check(0x05, 0x24, 0x00);
    std::uint32_t track = ReadBig32(cdb + 2);
    const std::uint32_t invisible = static_cast<std::uint32_t>(medium_.Sessions().size()) + 1;
    std::uint32_t start = 0, size = 0, free = 0, nwa = 0, lastRecorded = 0;
    bool blank = false, nwaValid = false;
    if (medium_.IsOverwritable()) {
        if (track != 1 && track != 0xFF) return Check(0x05, 0x24, 0x00);
        track = 1;
        size = medium_.Capacity();
        free = medium_.Capacity() - medium_.LastRecorded();
        nwa = medium_.LastRecorded();
        nwaValid = true;
        lastRecorded = medium_.LastRecorded() ? medium_.LastRecorded() - 1 : 0;
    } else if (medium_.Kind() == MediumKind::DvdPlusRwUnformatted) {
        if (track != 1 && track != 0xFF) return Check(0x05, 0x24, 0x00);
        track = 1;
        size = free = medium_.Capacity();
        blank = true;
    } else if (track >= 1 && track < invisible) {
        const SimulatedMedium::Session& session = medium_.Sessions()[track - 1];
        start = session.Start;
        size = session.Length;
        lastRecorded = session.Start + session.Length - 1;
    } else if ((track == invisible || track == 0xFF) && !medium_.Closed()) {
        track = invisible;
        start = medium_.OpenTrackStart();
        size = medium_.Capacity() > start ? medium_.Capacity() - start : 0;
        free = size > medium_.Written() ? size - medium_.Written() : 0;
        nwa = start + medium_.Written();
        nwaValid = true;
        blank = medium_.Written() == 0;
        lastRecorded = medium_.Written() ? nwa - 1 : 0;
    } else {
        return Check(0x05, 0x24, 0x00);
    }
    std::vector<std::uint8_t> answer(36, 0);
    WriteBig16(answer.data(), 34);
    answer[2] = static_cast<std::uint8_t>(track);
    answer[3] = static_cast<std::uint8_t>(
        std::min<std::uint32_t>(track, static_cast<std::uint32_t>(medium_.Sessions().size()) + 1));
    answer[5] = 0x04;  // data track
    answer[6] = static_cast<std::uint8_t>((blank ? 0x40 : 0) | 0x01);
    answer[7] = static_cast<std::uint8_t>((nwaValid ? 0x01 : 0) | (lastRecorded ? 0x02 : 0));
    WriteBig32(answer.data() + 8, start);
    WriteBig32(answer.data() + 12, nwa);
    WriteBig32(answer.data() + 16, free);
    WriteBig32(answer.data() + 20, medium_.IsCd() ? 0 : 16);
    WriteBig32(answer.data() + 24, size);
    WriteBig32(answer.data() + 28, lastRecorded);
    return Reply(data, std::min<std::uint32_t>(length, ReadBig16(cdb + 7)), answer);
}

SimulatedRecorder::Result SimulatedRecorder::ReadToc(const std::uint8_t* cdb, std::uint8_t* data,
                                                     std::uint32_t length) const {
    const std::uint8_t format = cdb[2] & 0x0F;
    const bool msf = cdb[1] & 0x02;
    const std::uint32_t allocation = std::min<std::uint32_t>(length, ReadBig16(cdb + 7));
    const auto address = [msf](std::uint8_t* p, std::uint32_t lba) {
        if (!msf) {
            WriteBig32(p, lba);
            return;
        }
        const Msf time = BlocksToMsf(lba + 150);
        p[0] = 0;
        p[1] = static_cast<std::uint8_t>(time.M);
        p[2] = static_cast<std::uint8_t>(time.S);
        p[3] = static_cast<std::uint8_t>(time.F);
    };

    if (format == 4) {  // ATIP
        if (medium_.Kind() != MediumKind::CdR && medium_.Kind() != MediumKind::CdRw)
            return Check(0x05, 0x24, 0x00);
        std::vector<std::uint8_t> answer(28, 0);
        WriteBig16(answer.data(), 26);
        answer[4] = 0x80;
        answer[6] = medium_.Kind() == MediumKind::CdRw ? 0xC0 : 0x80;
        answer[8] = 97;  // lead-in start 97:26:66
        answer[9] = 26;
        answer[10] = 66;
        const Msf leadOut = BlocksToMsf(medium_.Capacity());
        answer[12] = static_cast<std::uint8_t>(leadOut.M);
        answer[13] = static_cast<std::uint8_t>(leadOut.S);
        answer[14] = static_cast<std::uint8_t>(leadOut.F);
        return Reply(data, allocation, answer);
    }

    // The tracks of the disc: one per closed session, or the overwritten area.
    std::vector<SimulatedMedium::Session> tracks = medium_.Sessions();
    if (medium_.IsOverwritable() && medium_.LastRecorded() > 0)
        tracks = {{0, medium_.LastRecorded()}};
    if (tracks.empty()) return Check(0x05, 0x24, 0x00);  // a blank disc has no table of contents
    const auto lastTrack = static_cast<std::uint8_t>(tracks.size());

    if (format == 1) {  // session information
        std::vector<std::uint8_t> answer(12, 0);
        WriteBig16(answer.data(), 10);
        answer[2] = 1;
        answer[3] = lastTrack;
        answer[5] = 0x14;
        answer[6] = lastTrack;
        address(answer.data() + 8, tracks.back().Start);
        return Reply(data, allocation, answer);
    }
    if (format != 0) return Check(0x05, 0x24, 0x00);
    std::vector<std::uint8_t> answer(4, 0);
    answer[2] = 1;
    answer[3] = lastTrack;
    const std::uint8_t from = std::max<std::uint8_t>(cdb[6], 1);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (i + 1 < from) continue;
        std::uint8_t descriptor[8] = {0, 0x14, static_cast<std::uint8_t>(i + 1), 0};
        address(descriptor + 4, tracks[i].Start);
        answer.insert(answer.end(), descriptor, descriptor + 8);
    }
    std::uint8_t leadOut[8] = {0, 0x14, 0xAA, 0};
    address(leadOut + 4, tracks.back().Start + tracks.back().Length);
    answer.insert(answer.end(), leadOut, leadOut + 8);
    WriteBig16(answer.data(), static_cast<std::uint32_t>(answer.size() - 2));
    return Reply(data, allocation, answer);
}

SimulatedRecorder::Result SimulatedRecorder::ReadCapacity(std::uint8_t* data,
                                                          std::uint32_t length) const {
    std::uint32_t end = medium_.IsOverwritable() ? medium_.Capacity() : 0;
    if (!medium_.Sessions().empty())
        end = medium_.Sessions().back().Start + medium_.Sessions().back().Length;
    std::vector<std::uint8_t> answer(8, 0);
    WriteBig32(answer.data(), end ? end - 1 : 0);
    WriteBig32(answer.data() + 4, SimulatedMedium::kBlock);
    return Reply(data, length, answer);
}

SimulatedRecorder::Result SimulatedRecorder::ReadFormatCapacities(std::uint8_t* data,
                                                                  std::uint32_t length) const {
    std::vector<std::uint8_t> answer(12, 0);
    const bool formatted = medium_.Kind() != MediumKind::DvdPlusRwUnformatted;
    answer[3] = 8;
    WriteBig32(answer.data() + 4, medium_.Capacity());
    answer[8] = formatted ? 0x02 : 0x01;
    WriteBig32(answer.data() + 8, (std::uint32_t{answer[8]} << 24) | SimulatedMedium::kBlock);
    const auto formattable = [&](std::uint8_t type, std::uint32_t parameter) {
        std::uint8_t descriptor[8];
        WriteBig32(descriptor, medium_.Capacity());
        WriteBig32(descriptor + 4, (std::uint32_t{type} << 26) | parameter);
        answer.insert(answer.end(), descriptor, descriptor + 8);
        answer[3] = static_cast<std::uint8_t>(answer.size() - 4);
    };
    if (medium_.Kind() == MediumKind::DvdPlusRw ||
        medium_.Kind() == MediumKind::DvdPlusRwUnformatted)
        formattable(0x26, 0);
    if (medium_.Kind() == MediumKind::DvdRwSequential ||
        medium_.Kind() == MediumKind::DvdRwRestrictedOverwrite) {
        formattable(0x10, 16);
        formattable(0x15, 16);
    }
    if (medium_.Kind() == MediumKind::DvdRam) formattable(0x00, SimulatedMedium::kBlock);
    return Reply(data, std::min<std::uint32_t>(length, 252), answer);
}

}  // namespace tv
