// The typed formatter behind every formatted text of the program. It follows the
// Windows wide printf conventions: "l" is 32 bits and "ll" 64 bits wide, "%s" takes
// a wide text and "%C" a single-byte character. The conversions supported are
// d, u, X, f, s and C, with the flags "0-+ #", a width and a precision.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace veltar {

class FormatArg {
public:
    enum class Kind { Signed, Unsigned, Floating, Text };

    template <typename T>
        requires(std::is_integral_v<T> && std::is_signed_v<T>)
    FormatArg(T v) : m_kind(Kind::Signed), m_signed(v) {}
    template <typename T>
        requires(std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool>)
    FormatArg(T v) : m_kind(Kind::Unsigned), m_unsigned(v) {}
    FormatArg(double v) : m_kind(Kind::Floating), m_double(v) {}
    FormatArg(float v) = delete;  // widen explicitly, as the C conventions do
    FormatArg(std::u16string_view v) : m_kind(Kind::Text), m_text(v) {}
    FormatArg(const std::u16string& v) : m_kind(Kind::Text), m_text(v) {}
    FormatArg(const char16_t* v) : m_kind(Kind::Text), m_text(v ? std::u16string_view(v) : std::u16string_view()) {}

    Kind kind() const { return m_kind; }
    std::int64_t AsSigned() const { return m_kind == Kind::Unsigned ? static_cast<std::int64_t>(m_unsigned) : m_signed; }
    std::uint64_t AsUnsigned() const { return m_kind == Kind::Signed ? static_cast<std::uint64_t>(m_signed) : m_unsigned; }
    double AsDouble() const { return m_double; }
    std::u16string_view AsText() const { return m_text; }

private:
    Kind m_kind;
    union {
        std::int64_t m_signed;
        std::uint64_t m_unsigned;
        double m_double;
    };
    std::u16string_view m_text;
};

// Appends the formatted text to out. Throws std::invalid_argument when the
// format and the arguments do not match: that is a fault in the caller.
void AppendFormattedArgs(std::u16string& out, std::u16string_view format, std::span<const FormatArg> args);

template <typename... Args>
void AppendFormatted(std::u16string& out, std::u16string_view format, const Args&... args) {
    const FormatArg list[] = {FormatArg(args)..., FormatArg(0)};
    std::u16string piece;
    AppendFormattedArgs(piece, format, std::span<const FormatArg>(list, sizeof...(Args)));
    out += piece;
}

template <typename... Args>
void ReplaceFormatted(std::u16string& out, std::u16string_view format, const Args&... args) {
    const FormatArg list[] = {FormatArg(args)..., FormatArg(0)};
    std::u16string result;
    AppendFormattedArgs(result, format, std::span<const FormatArg>(list, sizeof...(Args)));
    out = std::move(result);
}

}  // namespace veltar
