// splot2svg: draws the solver's ".splot" plot files as SVG and PNG pictures.
#include <iostream>
#include <string>
#include <vector>

#include "framework/PendingOutputs.h"
#include "splot2svg/Convert.h"
#include "splot2svg/Options.h"

#ifdef VELMAR_SANITIZE_BUILD
// The font library behind the PNG renderer keeps its font caches until the
// process ends; the leak checker is told they are not ours to free.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\nleak:libpango\n";
}
extern "C" const char* __lsan_default_options()
{
    return "print_suppressions=0";
}
#endif

// Draws the files named; status 1 when any of them failed.
int main(int argc, char** argv)
{
    install_output_guards();
    CommandLine c = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (c.action) {
    case CommandLine::Action::Help: return std::cout << USAGE, 0;
    case CommandLine::Action::Version: return std::cout << versionText(), 0;
    case CommandLine::Action::Fail:
        if (!c.error.empty()) std::cerr << "splot2svg: " << c.error << "\n";
        return std::cerr << USAGE, 1;
    case CommandLine::Action::Draw: break;
    }
    int status = c.output.empty() ? convertEach(c.files, c.draw, c.png, c.toStdout ? &std::cout : nullptr, std::cerr)
                                  : drawTogether(c.files, c.output, c.draw, std::cerr);
    std::cout.flush();
    if (!std::cout) return std::cerr << "splot2svg: cannot write to standard output\n", 1;
    return status;
}
