// ID3v1 tags: any 128 bytes parsed; a tag built from the fields parses to the same
// fields.

#include <cstring>

#include "metadata/id3_tag.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tv;
    std::array<std::uint8_t, kID3v1Size> bytes{};
    std::memcpy(bytes.data(), data, std::min(size, bytes.size()));
    const std::optional<ID3v1Fields> fields = ParseID3v1(bytes);
    FUZZ_CHECK(fields.has_value() == (bytes[0] == 'T' && bytes[1] == 'A' && bytes[2] == 'G'));
    if (!fields) return 0;
    const std::array<std::uint8_t, kID3v1Size> built = BuildID3v1(*fields);
    const std::optional<ID3v1Fields> again = ParseID3v1(built);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->Title == fields->Title);
    FUZZ_CHECK(again->Artist == fields->Artist);
    FUZZ_CHECK(again->Album == fields->Album);
    FUZZ_CHECK(again->Year == fields->Year);
    FUZZ_CHECK(again->Comment == fields->Comment);
    FUZZ_CHECK(again->Genre == fields->Genre);
    FUZZ_CHECK(again->Track == fields->Track);
    FUZZ_CHECK(BuildID3v1(*again) == built);
    return 0;
}
