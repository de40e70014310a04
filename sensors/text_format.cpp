#include "sensors/text_format.h"

#include <cinttypes>
#include <cstdio>
#include <stdexcept>

namespace veltar {
namespace {

struct Spec {
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

Spec ReadSpec(std::u16string_view format, std::size_t* i) {
    Spec spec;
    while (*i < format.size() && std::u16string_view(u"0-+ #").find(format[*i]) != std::u16string_view::npos)
        spec.flags += static_cast<char>(format[(*i)++]);
    if (*i < format.size() && format[*i] >= u'1' && format[*i] <= u'9') spec.width = ReadNumber(format, i);
    if (*i < format.size() && format[*i] == u'.') {
        ++*i;
        spec.precision = ReadNumber(format, i);
    }
    while (*i < format.size() && format[*i] == u'l' && spec.lengthLs < 2) {
        ++spec.lengthLs;
        ++*i;
    }
    if (*i >= format.size()) throw std::invalid_argument("format ends inside a conversion");
    spec.conversion = static_cast<char>(format[(*i)++]);
    return spec;
}

// The C format for one conversion; tail is the length modifier and conversion.
std::string NarrowSpec(const Spec& spec, const char* tail) {
    std::string s(1, '%');
    s += spec.flags;
    if (spec.width >= 0) s += std::to_string(spec.width);
    if (spec.precision >= 0) {
        s += '.';
        s += std::to_string(spec.precision);
    }
    s += tail;
    return s;
}

template <typename T>
void AppendNumber(std::u16string& out, const std::string& narrowSpec, T value) {
    char buffer[4200];
    const int n = std::snprintf(buffer, sizeof buffer, narrowSpec.c_str(), value);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof buffer) throw std::invalid_argument("number does not fit");
    for (int k = 0; k < n; ++k) out += static_cast<char16_t>(static_cast<unsigned char>(buffer[k]));
}

void Pad(std::u16string& out, const Spec& spec, std::u16string_view text) {
    const std::size_t width = spec.width > 0 ? static_cast<std::size_t>(spec.width) : 0;
    const bool left = spec.flags.find('-') != std::string::npos;
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
        const Spec spec = ReadSpec(format, &i);
        switch (spec.conversion) {
            case 'd':
            case 'i': {
                const auto& arg = Next(args, &used, FormatArg::Kind::Signed);
                if (spec.lengthLs == 2) AppendNumber(out, NarrowSpec(spec, PRId64), arg.AsSigned());
                else AppendNumber(out, NarrowSpec(spec, "d"), static_cast<std::int32_t>(arg.AsSigned()));
                break;
            }
            case 'u':
            case 'X':
            case 'x': {
                const auto& arg = Next(args, &used, FormatArg::Kind::Signed);
                if (spec.lengthLs == 2) {
                    const char* tail = spec.conversion == 'u' ? PRIu64 : spec.conversion == 'X' ? PRIX64 : PRIx64;
                    AppendNumber(out, NarrowSpec(spec, tail), arg.AsUnsigned());
                } else {
                    const char tail[] = {spec.conversion, 0};
                    AppendNumber(out, NarrowSpec(spec, tail), static_cast<std::uint32_t>(arg.AsUnsigned()));
                }
                break;
            }
            case 'f': {
                const auto& arg = Next(args, &used, FormatArg::Kind::Floating);
                AppendNumber(out, NarrowSpec(spec, "f"), arg.AsDouble());
                break;
            }
            case 's': {
                const auto& arg = Next(args, &used, FormatArg::Kind::Text);
                std::u16string_view text = arg.AsText();
                if (spec.precision >= 0 && text.size() > static_cast<std::size_t>(spec.precision))
                    text = text.substr(0, static_cast<std::size_t>(spec.precision));
                Pad(out, spec, text);
                break;
            }
            case 'C': {
                const auto& arg = Next(args, &used, FormatArg::Kind::Signed);
                const char16_t c = static_cast<unsigned char>(static_cast<std::uint64_t>(arg.AsSigned()) & 0xFF);
                Pad(out, spec, std::u16string_view(&c, 1));
                break;
            }
            default:
                throw std::invalid_argument("unsupported format conversion");
        }
    }
    if (used != args.size()) throw std::invalid_argument("too many format arguments");
}

}  // namespace veltar
