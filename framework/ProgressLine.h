// A single line on a terminal that shows how far a long solve has come, rewritten in place.
#ifndef VELMAR_PROGRESSLINE_H
#define VELMAR_PROGRESSLINE_H

#include <chrono>
#include <cstdio>
#include <string>

class ProgressLine {
public:
    // Draws on stream only when shown is true, and only once delaySeconds have passed since
    // construction: short runs never see it.
    ProgressLine(FILE* stream, bool shown, double delaySeconds = 2.0);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Step k (from 0) of n in phase: percentage, elapsed time and an estimate of the rest.
    void step(const char* phase, long k, long n);
    // The k-th round of a phase whose length is not known in advance.
    void count(const char* phase, long k);
    // Erases the line when one was drawn; later calls draw a fresh one.
    void finish();

    // True when standard error is a terminal: the only case in which the line is wanted.
    static bool stderrIsTerminal();

private:
    using Clock = std::chrono::steady_clock;
    double secondsSince(Clock::time_point t) const;
    // Starts a phase's clock when phase differs from the last one seen.
    void enter(const char* phase);
    // True when the line is due for a redraw.
    bool due();
    void draw(const std::string& text);

    FILE* stream;
    bool shown;
    double delay;
    Clock::time_point start, phaseStart, lastDraw;
    const char* currentPhase = nullptr;
    size_t drawnWidth = 0;
};

#endif
