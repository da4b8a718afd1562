#pragma once
// Splits a Windows command line into arguments the way CommandLineToArgvW does, for the host
// tests of command lines a program builds for another one: blanks and tabs separate arguments
// outside quotes; 2n backslashes before a quote give n backslashes and the quote opens or closes
// a quoted part, 2n+1 give n backslashes and a literal quote; other backslashes stay as they
// are; inside quotes "" gives a literal quote; an unclosed quote runs to the end. The first
// argument (the program) ends at the first blank outside quotes, quotes removed, backslashes kept.
#include <string>
#include <string_view>
#include <vector>

namespace kelno::test {

inline std::vector<std::u16string> SplitCommandLine(std::u16string_view line) {
    std::vector<std::u16string> arguments;
    std::size_t i = 0;
    // The program path.
    {
        std::u16string program;
        bool quoted = false;
        for (; i < line.size(); ++i) {
            const char16_t c = line[i];
            if (c == u'"') quoted = !quoted;
            else if (!quoted && (c == u' ' || c == u'\t')) break;
            else program += c;
        }
        arguments.push_back(program);
    }
    for (;;) {
        while (i < line.size() && (line[i] == u' ' || line[i] == u'\t')) ++i;
        if (i >= line.size()) break;
        std::u16string argument;
        bool quoted = false;
        while (i < line.size()) {
            const char16_t c = line[i];
            if (c == u'\\') {
                std::size_t n = 0;
                while (i < line.size() && line[i] == u'\\') ++n, ++i;
                if (i < line.size() && line[i] == u'"') {
                    argument.append(n / 2, u'\\');
                    if (n % 2) {
                        argument += u'"';
                        ++i;
                    }
                } else {
                    argument.append(n, u'\\');
                }
                continue;
            }
            if (c == u'"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
                    argument += u'"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            if (!quoted && (c == u' ' || c == u'\t')) break;
            argument += c;
            ++i;
        }
        arguments.push_back(argument);
    }
    return arguments;
}

}  // namespace kelno::test
