#include "tests/dialog/DialogTemplateParser.h"

namespace {

class Reader {
public:
    explicit Reader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}

    bool Word(uint16_t* value) {
        if (offset_ + 2 > bytes_.size()) return false;
        *value = static_cast<uint16_t>(bytes_[offset_] | bytes_[offset_ + 1] << 8);
        offset_ += 2;
        return true;
    }
    bool Short(int16_t* value) {
        uint16_t word = 0;
        if (!Word(&word)) return false;
        *value = static_cast<int16_t>(word);
        return true;
    }
    bool Dword(uint32_t* value) {
        uint16_t low = 0, high = 0;
        if (!Word(&low) || !Word(&high)) return false;
        *value = static_cast<uint32_t>(low) | static_cast<uint32_t>(high) << 16;
        return true;
    }
    bool String(std::u16string* text) {
        text->clear();
        for (uint16_t unit = 0; Word(&unit);) {
            if (unit == 0) return true;
            text->push_back(static_cast<char16_t>(unit));
        }
        return false;
    }
    // A name that is either 0xFFFF and an ordinal, or a string (empty: none).
    bool NameOrOrdinal(uint16_t* ordinal, std::u16string* text) {
        uint16_t first = 0;
        if (!Word(&first)) return false;
        *ordinal = 0;
        text->clear();
        if (first == 0xFFFF) return Word(ordinal);
        if (first == 0) return true;
        text->push_back(static_cast<char16_t>(first));
        std::u16string rest;
        if (!String(&rest)) return false;
        *text += rest;
        return true;
    }
    bool Skip(size_t count) {
        if (offset_ + count > bytes_.size()) return false;
        offset_ += count;
        return true;
    }
    void AlignDword() { offset_ = (offset_ + 3) & ~static_cast<size_t>(3); }

private:
    const std::vector<unsigned char>& bytes_;
    size_t offset_ = 0;
};

const uint32_t kSetFont = 0x40;

bool ParseControl(Reader& in, ParsedControl* control) {
    in.AlignDword();
    if (!in.Dword(&control->style) || !in.Dword(&control->exStyle) || !in.Short(&control->x) ||
        !in.Short(&control->y) || !in.Short(&control->cx) || !in.Short(&control->cy) ||
        !in.Word(&control->id))
        return false;
    uint16_t textOrdinal = 0;
    if (!in.NameOrOrdinal(&control->classOrdinal, &control->className) ||
        !in.NameOrOrdinal(&textOrdinal, &control->text) || !in.Word(&control->extraBytes))
        return false;
    return in.Skip(control->extraBytes);
}

}  // namespace

bool ParseDialogTemplate(const std::vector<unsigned char>& bytes, ParsedDialog* dialog) {
    Reader in(bytes);
    uint16_t count = 0, ordinal = 0;
    std::u16string name;
    if (!in.Dword(&dialog->style) || !in.Dword(&dialog->exStyle) || !in.Word(&count) ||
        !in.Short(&dialog->x) || !in.Short(&dialog->y) || !in.Short(&dialog->cx) ||
        !in.Short(&dialog->cy))
        return false;
    // An extended template starts with the version 1 and the signature 0xFFFF.
    if ((dialog->style & 0xFFFF0000u) == 0xFFFF0000u) return false;
    if (!in.NameOrOrdinal(&ordinal, &name)) return false;
    dialog->hasMenu = ordinal != 0 || !name.empty();
    if (!in.NameOrOrdinal(&ordinal, &name)) return false;
    dialog->hasClass = ordinal != 0 || !name.empty();
    if (!in.String(&dialog->title)) return false;
    if ((dialog->style & kSetFont) && (!in.Word(&dialog->pointSize) || !in.String(&dialog->face)))
        return false;
    dialog->controls.resize(count);
    for (ParsedControl& control : dialog->controls)
        if (!ParseControl(in, &control)) return false;
    return true;
}
