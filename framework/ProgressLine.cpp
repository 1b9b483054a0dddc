// The progress line: redrawn at most five times a second, padded over its previous text.
#include "framework/ProgressLine.h"

#include <cstring>
#include <unistd.h>

ProgressLine::ProgressLine(FILE* s, bool show, double delaySeconds)
    : stream(s), shown(show), delay(delaySeconds), start(Clock::now()), phaseStart(start),
      lastDraw(start)
{
}

ProgressLine::~ProgressLine()
{
    finish();
}

bool ProgressLine::stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

double ProgressLine::secondsSince(Clock::time_point t) const
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

void ProgressLine::enter(const char* phase)
{
    if (currentPhase != nullptr && std::strcmp(currentPhase, phase) == 0) return;
    currentPhase = phase;
    phaseStart = Clock::now();
}

bool ProgressLine::due()
{
    if (!shown || secondsSince(start) < delay) return false;
    if (drawnWidth > 0 && secondsSince(lastDraw) < 0.2) return false;
    lastDraw = Clock::now();
    return true;
}

void ProgressLine::draw(const std::string& text)
{
    std::string line = "\r" + text;
    if (text.size() < drawnWidth) line += std::string(drawnWidth - text.size(), ' ');
    drawnWidth = text.size();
    fputs(line.c_str(), stream);
    fflush(stream);
}

void ProgressLine::step(const char* phase, long k, long n)
{
    enter(phase);
    if (n <= 0 || !due()) return;
    double fraction = (double)k / (double)n, inPhase = secondsSince(phaseStart);
    char text[200];
    int used = snprintf(text, sizeof text, "dss: %s %ld of %ld (%.0f%%), %.1f s elapsed", phase,
                        k, n, 100.0 * fraction, secondsSince(start));
    if (k > 0 && used > 0 && (size_t)used < sizeof text)
        snprintf(text + used, sizeof text - used, ", about %.1f s left",
                 inPhase * (1.0 - fraction) / fraction);
    draw(text);
}

void ProgressLine::count(const char* phase, long k)
{
    enter(phase);
    if (!due()) return;
    char text[200];
    snprintf(text, sizeof text, "dss: %s %ld, %.1f s elapsed", phase, k, secondsSince(start));
    draw(text);
}

void ProgressLine::finish()
{
    if (drawnWidth == 0) return;
    fputs(("\r" + std::string(drawnWidth, ' ') + "\r").c_str(), stream);
    fflush(stream);
    drawnWidth = 0;
}
