#include "base/text_format.h"

#include <charconv>
#include <cmath>
#include <cinttypes>
#include <cstdio>
#include <stdexcept>

namespace veltar {
namespace {

// One conversion of a format: %[flags][width][.precision][l or ll]conversion.
struct Directive {
    std::string flags;
    int width = -1;
    int precision = -1;
    int lengthLs = 0;  // number of 'l' modifiers
    char conversion = 0;
};

int ReadNumber(std::u16string_view format, std::size_t* i) {
    int value = 0;
    while (*i < format.size() && format[*i] >= u'0' && format[*i] <= u'9') {
        value = value * 10 + (format[*i] - u'0');
        if (value > 4096) throw std::invalid_argument("format width or precision too large");
        ++*i;
    }
    return value;
}

Directive ReadDirective(std::u16string_view format, std::size_t* i) {
    Directive directive;
    while (*i < format.size() && std::u16string_view(u"0-+ #").find(format[*i]) != std::u16string_view::npos)
        directive.flags += static_cast<char>(format[(*i)++]);
    if (*i < format.size() && format[*i] >= u'1' && format[*i] <= u'9') directive.width = ReadNumber(format, i);
    if (*i < format.size() && format[*i] == u'.') {
        ++*i;
        directive.precision = ReadNumber(format, i);
    }
    while (*i < format.size() && format[*i] == u'l' && directive.lengthLs < 2) {
        ++directive.lengthLs;
        ++*i;
    }
    if (*i >= format.size()) throw std::invalid_argument("format ends inside a conversion");
    // Only ASCII letters name conversions; anything wider is unknown, not its low byte.
    const char16_t conversion = format[(*i)++];
    directive.conversion = conversion < 0x80 ? static_cast<char>(conversion) : '\0';
    return directive;
}

// The C format for one conversion; tail is the length modifier and conversion.
std::string CFormatOf(const Directive& directive, const char* tail) {
    std::string s(1, '%');
    s += directive.flags;
    if (directive.width >= 0) s += std::to_string(directive.width);
    if (directive.precision >= 0) {
        s += '.';
        s += std::to_string(directive.precision);
    }
    s += tail;
    return s;
}

template <typename T>
void AppendNumber(std::u16string& out, const std::string& cFormat, T value) {
    char buffer[4200];
    const int n = std::snprintf(buffer, sizeof buffer, cFormat.c_str(), value);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof buffer) throw std::invalid_argument("number does not fit");
    for (int k = 0; k < n; ++k) out += static_cast<char16_t>(static_cast<unsigned char>(buffer[k]));
}

// Widens the digits of a number and pads them to the field width: with zeros
// after the sign for the '0' flag, with blanks otherwise. Infinity and NaN have
// no digits to pad, so C pads them with blanks whatever the flags.
void AppendDigits(std::u16string& out, const Directive& directive, const char* begin, const char* end,
                  bool finite = true) {
    const std::size_t length = static_cast<std::size_t>(end - begin);
    const std::size_t width = directive.width > 0 ? static_cast<std::size_t>(directive.width) : 0;
    const std::size_t fill = length < width ? width - length : 0;
    const bool left = directive.flags.find('-') != std::string::npos;
    const bool zeros = finite && !left && directive.flags.find('0') != std::string::npos;
    if (fill && !left && !zeros) out.append(fill, u' ');
    if (begin != end && *begin == '-') out += static_cast<char16_t>(*begin++);
    if (fill && zeros) out.append(fill, u'0');
    for (; begin != end; ++begin) out += static_cast<char16_t>(*begin);
    if (fill && left) out.append(fill, u' ');
}

// The flags that to_chars does not cover are left to the C library.
bool PlainFlags(const Directive& directive) { return directive.flags.find_first_of("+ #") == std::string::npos; }

template <typename T>
void AppendInteger(std::u16string& out, const Directive& directive, T value, int base, const char* tail) {
    if (!PlainFlags(directive) || directive.precision >= 0) {
        AppendNumber(out, CFormatOf(directive, tail), value);
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, base);
    if (directive.conversion == 'X')
        for (char* c = buffer; c != result.ptr; ++c)
            if (*c >= 'a' && *c <= 'f') *c = static_cast<char>(*c - 'a' + 'A');
    AppendDigits(out, directive, buffer, result.ptr);
}

// Fixed notation with to_chars gives the digits printf gives in the "C" locale.
void AppendFixed(std::u16string& out, const Directive& directive, double value) {
    if (!PlainFlags(directive)) {
        AppendNumber(out, CFormatOf(directive, "f"), value);
        return;
    }
    char buffer[4200];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                                      directive.precision >= 0 ? directive.precision : 6);
    if (result.ec != std::errc()) throw std::invalid_argument("number does not fit");
    AppendDigits(out, directive, buffer, result.ptr, std::isfinite(value));
}

void Pad(std::u16string& out, const Directive& directive, std::u16string_view text) {
    const std::size_t width = directive.width > 0 ? static_cast<std::size_t>(directive.width) : 0;
    const bool left = directive.flags.find('-') != std::string::npos;
    if (!left && text.size() < width) out.append(width - text.size(), u' ');
    out += text;
    if (left && text.size() < width) out.append(width - text.size(), u' ');
}

const FormatArg& Next(std::span<const FormatArg> args, std::size_t* used, FormatArg::Kind expected) {
    if (*used >= args.size()) throw std::invalid_argument("too few format arguments");
    const FormatArg& arg = args[(*used)++];
    const bool integral = arg.kind() == FormatArg::Kind::Signed || arg.kind() == FormatArg::Kind::Unsigned;
    const bool ok = expected == FormatArg::Kind::Signed ? integral : arg.kind() == expected;
    if (!ok) throw std::invalid_argument("format argument of the wrong kind");
    return arg;
}

}  // namespace

void AppendFormattedArgs(std::u16string& out, std::u16string_view format, std::span<const FormatArg> args) {
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        const std::size_t percent = format.find(u'%', i);
        out.append(format.substr(i, percent == std::u16string_view::npos ? format.size() - i : percent - i));
        if (percent == std::u16string_view::npos) break;
        i = percent + 1;
        if (i < format.size() && format[i] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        const Directive directive = ReadDirective(format, &i);
        switch (directive.conversion) {
            case 'd':
            case 'i': {
                const auto& arg = Next(args, &used, FormatArg::Kind::Signed);
                if (directive.lengthLs == 2) AppendInteger(out, directive, arg.AsSigned(), 10, PRId64);
                else AppendInteger(out, directive, static_cast<std::int32_t>(arg.AsSigned()), 10, "d");
                break;
            }
            case 'u':
            case 'X':
            case 'x': {
                const auto& arg = Next(args, &used, FormatArg::Kind::Signed);
                const int base = directive.conversion == 'u' ? 10 : 16;
                if (directive.lengthLs == 2) {
                    const char* tail = directive.conversion == 'u' ? PRIu64 : directive.conversion == 'X' ? PRIX64 : PRIx64;
                    AppendInteger(out, directive, arg.AsUnsigned(), base, tail);
                } else {
                    const char tail[] = {directive.conversion, 0};
                    AppendInteger(out, directive, static_cast<std::uint32_t>(arg.AsUnsigned()), base, tail);
                }
                break;
            }
            case 'f': {
                const auto& arg = Next(args, &used, FormatArg::Kind::Floating);
                AppendFixed(out, directive, arg.AsDouble());
                break;
            }
            case 's': {
                const auto& arg = Next(args, &used, FormatArg::Kind::Text);
                std::u16string_view text = arg.AsText();
                if (directive.precision >= 0 && text.size() > static_cast<std::size_t>(directive.precision))
                    text = text.substr(0, static_cast<std::size_t>(directive.precision));
                Pad(out, directive, text);
                break;
            }
            case 'C': {
                const auto& arg = Next(args, &used, FormatArg::Kind::Signed);
                const char16_t c = static_cast<unsigned char>(static_cast<std::uint64_t>(arg.AsSigned()) & 0xFF);
                Pad(out, directive, std::u16string_view(&c, 1));
                break;
            }
            default:
                throw std::invalid_argument("unsupported format conversion");
        }
    }
    if (used != args.size()) throw std::invalid_argument("too many format arguments");
}

}  // namespace veltar
