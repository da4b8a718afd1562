#include <gtest/gtest.h>

#include <cstdarg>
#include <iterator>
#include <string>

#include "base/wide_printf.h"

namespace kelno {
namespace {

template <typename... Args>
std::u16string Format(std::size_t capacity, const char16_t* format, Args... args) {
    std::u16string buffer(capacity, u'#');
    const int n = FormatWideArgs(buffer.data(), capacity, format, args...);
    if (n < 0) return u"<error>";
    return buffer.substr(0, static_cast<std::size_t>(n));
}

TEST(FormatWide, WindowsWideConventionsForStrings) {
    EXPECT_EQ(Format(64, u"Remove file:%ws, %d, errcode:%d.", u"C:\\x.dll", 1, 0),
              u"Remove file:C:\\x.dll, 1, errcode:0.");
    EXPECT_EQ(Format(64, u"%s|%ls|%hs|%S", u"w1", u"w2", "n1", "n2"), u"w1|w2|n1|n2");
    EXPECT_EQ(Format(64, u"%ws", static_cast<const char16_t*>(nullptr)), u"(null)");
    EXPECT_EQ(Format(64, u"[%5ws][%-5ws][%.2ws]", u"ab", u"ab", u"abcdef"), u"[   ab][ab   ][ab]");
    EXPECT_EQ(Format(64, u"%c%hc%C", u'x', 'y', 'z'), u"xyz");
}

TEST(FormatWide, Integers) {
    EXPECT_EQ(Format(64, u"%d %i %u", -5, 7, 4000000000u), u"-5 7 4000000000");
    EXPECT_EQ(Format(64, u"%x %X %#x %08X %o", 0x1fu, 0xABu, 0x10u, 0x5u, 8u), u"1f AB 0x10 00000005 10");
    EXPECT_EQ(Format(64, u"%.3d|%+d|% d|%-4d|%04d", 5, 5, 5, 5, -5), u"005|+5| 5|5   |-005");
    EXPECT_EQ(Format(64, u"%lld %I64u %zu", -1234567890123ll, 18446744073709551615ull, std::size_t{42}),
              u"-1234567890123 18446744073709551615 42");
    EXPECT_EQ(Format(64, u"%*d|%-*d|%.*d", 4, 1, 3, 2, 3, 3), u"   1|2  |003");
    EXPECT_EQ(Format(64, u"%d", INT32_MIN), u"-2147483648");
    EXPECT_EQ(Format(64, u"100%%"), u"100%");
}

TEST(FormatWide, MalformedFormatsAreErrors) {
    EXPECT_EQ(Format(64, u"%"), u"<error>");
    EXPECT_EQ(Format(64, u"%q", 1), u"<error>");
    EXPECT_EQ(Format(64, u"%f", 1.0), u"<error>");
    int sink = 0;
    EXPECT_EQ(Format(64, u"%n", &sink), u"<error>");
    EXPECT_EQ(sink, 0);
    EXPECT_EQ(Format(64, u"%99999999d", 1), u"<error>");
}

TEST(FormatWide, BoundedByCapacity) {
    // Exactly fits: 5 characters and the terminator.
    EXPECT_EQ(Format(6, u"%ws", u"abcde"), u"abcde");
    // One more does not fit: an error, and the buffer holds an empty text.
    std::u16string buffer(6, u'#');
    EXPECT_EQ(FormatWideArgs(buffer.data(), 6, u"%ws", u"abcdef"), -1);
    EXPECT_EQ(buffer[0], u'\0');
    EXPECT_EQ(buffer[5], u'#');  // nothing written past what the error needed
    EXPECT_EQ(FormatWideArgs(buffer.data(), 0, u"x"), -1);
    EXPECT_EQ(FormatWideArgs(nullptr, 6, u"x"), -1);
}

TEST(FormatWide, Text767FitsA768Buffer) {
    std::u16string text(767, u'x');
    std::u16string buffer(768, u'#');
    EXPECT_EQ(FormatWideArgs(buffer.data(), 768, u"%ws", text.c_str()), 767);
    text.push_back(u'y');
    EXPECT_EQ(FormatWideArgs(buffer.data(), 768, u"%ws", text.c_str()), -1);
}

int CutArgs(char16_t* dst, std::size_t capacity, const char16_t* format, ...) {
    std::va_list args;
    va_start(args, format);
    const int n = FormatWideCut(dst, capacity, format, args);
    va_end(args);
    return n;
}

TEST(FormatWideCut, KeepsWhatFitsInsteadOfDropping) {
    struct Case {
        std::size_t capacity;
        const char16_t* text;
        int length;
        std::u16string kept;
    } const cases[] = {
        {6, u"abcde", 5, u"abcde"},                     // fits exactly
        {6, u"abcdefgh", 5, u"abcde"},                  // cut, terminated
        {4, u"ab\xD83D\xDE00z", 2, u"ab"},              // never ends inside a surrogate pair
        {5, u"ab\xD83D\xDE00z", 4, u"ab\xD83D\xDE00"},  // the whole pair fits
        {1, u"abc", 0, u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        std::u16string buffer(c.capacity, u'#');
        EXPECT_EQ(CutArgs(buffer.data(), c.capacity, u"%ws", c.text), c.length);
        EXPECT_EQ(std::u16string(buffer.c_str()), c.kept);
    }
    char16_t small[8];
    EXPECT_EQ(CutArgs(small, std::size(small), u"bad %q"), -1);  // a malformed format is still refused
}

}  // namespace
}  // namespace kelno
