// ID3v2 tags (2.2, 2.3, 2.4, any encoding and flag) read through TagLib from any
// bytes: never a crash, and what is read is consistent.

#include <string_view>

#include "base/text_encoding.h"
#include "metadata/id3v2_tag.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tv;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<ID3v2Texts> texts = ParseID3v2(bytes);
    if (!texts) return 0;
    FUZZ_CHECK(ID3v2TagSize(bytes) > 0);  // only what begins with a header is read
    FUZZ_CHECK(texts->Version >= 2 && texts->Version <= 4);
    for (const std::string* text : {&texts->Title, &texts->Artist, &texts->Album, &texts->Year,
                                    &texts->Comment, &texts->Genre})
        FUZZ_CHECK(IsValidUtf8(*text));
    FUZZ_CHECK(texts->Year.empty() || texts->Year.find_first_not_of("0123456789") ==
                                          std::string::npos);
    return 0;
}
