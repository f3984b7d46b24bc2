#include "ui/ReadersCountText.h"
#include <cerrno>
#include <cstdlib>

bool ParseReadersCount(const char* text, unsigned limit, unsigned& count) {
    if (*text == '\0') {
        count = 0;
        return true;
    }
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || number < 0 ||
        static_cast<unsigned long>(number) > limit) {
        return false;
    }
    count = static_cast<unsigned>(number);
    return true;
}
