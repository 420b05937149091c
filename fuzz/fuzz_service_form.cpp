// The collection service reading what any client posts: the upload form
// (multipart or URL-encoded) and the text taken from it.
//
// Input: byte 0 chooses the form (even: multipart/form-data with the
// receiver's boundary, odd: URL-encoded); the rest is the body.
// Checks: a form read has at most its bound of fields, every name once and
// each multipart value as sent; text kept from a value is valid UTF-8
// without a zero byte, and decoding never makes text longer.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "service/form_values.h"
#include "service/input_text.h"

using wavelore::fuzz::Require;

namespace {

bool ValidUtf8WithoutZero(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == 0) {
            return false;
        }
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) {
            return false;
        }
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += n;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wavelore::fuzz::CFuzzInput in(data, size);
    const bool multipart = in.Byte() % 2 == 0;
    const std::string_view body = in.Rest();

    wavelore::service::CFormValues form;
    std::string problem;
    const bool read =
        multipart
            ? form.ParseMultipart("multipart/form-data; boundary=--MULTI-PARTS-FORM-DATA-BOUNDARY",
                                  body, problem)
            : form.ParseUrlEncoded(body, problem);
    Require(read || !problem.empty(), "a form refused without a reason");
    if (!read) {
        return 0;
    }
    Require(form.Size() <= wavelore::service::CFormValues::kMaxFields, "too many fields kept");
    for (const char* name : {"uid", "msg", "b1", "b2", "b3b4", "time", "date", "quality"}) {
        const std::string* value = form.Find(name);
        if (value == nullptr) {
            continue;
        }
        Require(!multipart || body.find(*value) != std::string_view::npos,
                "a multipart value that was not sent");
        const std::string decoded = wavelore::service::PercentDecode(*value, !multipart);
        Require(decoded.size() <= value->size(), "decoding made text longer");
        Require(ValidUtf8WithoutZero(wavelore::service::CleanInputText(decoded)),
                "kept text is not clean UTF-8");
    }
    return 0;
}
