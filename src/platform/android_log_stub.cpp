#include "platform/android_log_stub.h"

#include <cstdarg>
#include <cstdio>

extern "C" int __android_log_print(int priority, const char* tag, const char* format, ...)
{
    static const char kLetters[] = "??VDIWEF";
    const char letter = (priority >= 0 && priority <= 7) ? kLetters[priority] : '?';

    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    // One write per line, so lines from several threads do not interleave.
    return std::fprintf(stderr, "%c/%s: %s\n", letter, tag, text);
}
