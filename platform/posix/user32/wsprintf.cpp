#include <cassert>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <winuser.h>

namespace {

const int kWsprintfLimit = 1024;

class BoundedWriter {
public:
    explicit BoundedWriter(char* out) : out_(out) {}
    void Put(char c) {
        if (length_ < kWsprintfLimit - 1) out_[length_++] = c;
    }
    void Put(const char* text) {
        while (*text)
            Put(*text++);
    }
    // Like Windows, an output that reaches the cap reports the cap itself.
    int Finish() {
        out_[length_] = '\0';
        return length_ == kWsprintfLimit - 1 ? kWsprintfLimit : length_;
    }

private:
    char* out_;
    int length_ = 0;
};

}  // namespace

// wsprintfA (USER32)
int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    va_list args;
    va_start(args, format);
    BoundedWriter out(buffer);
    char number[16];
    for (const char* f = format; *f; ++f) {
        if (*f != '%') {
            out.Put(*f);
            continue;
        }
        switch (*++f) {
            case 's': {
                const char* text = va_arg(args, const char*);
                out.Put(text ? text : "(null)");
                break;
            }
            case 'd':
                std::snprintf(number, sizeof number, "%d", va_arg(args, int));
                out.Put(number);
                break;
            case 'u':
                std::snprintf(number, sizeof number, "%u", va_arg(args, unsigned int));
                out.Put(number);
                break;
            case 'c':
                out.Put(static_cast<char>(va_arg(args, int)));
                break;
            case '%':
                out.Put('%');
                break;
            default:
                // The program uses only the conversions above.
                assert(false && "wsprintfA: unsupported conversion");
                va_end(args);
                return out.Finish();
        }
    }
    va_end(args);
    return out.Finish();
}
