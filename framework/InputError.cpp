// Writing a bad-input message where it belongs.
#include "framework/InputError.h"

void InputError::report() const
{
    FILE* to = stream == STANDARD_OUTPUT ? stdout : stderr;
    fputs(message.c_str(), to);
    fflush(to);
}
