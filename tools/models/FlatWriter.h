// Buffered writing of the flat state-space files, with fast number output.
#ifndef VELMAR_TOOLS_FLATWRITER_H
#define VELMAR_TOOLS_FLATWRITER_H

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// v in the shortest %g form that reads back as the same double.
std::string shortestText(double v);

// One output file; the first failure is kept in error() and later writes are skipped.
class FlatWriter {
public:
    explicit FlatWriter(const std::string& path);
    ~FlatWriter();
    FlatWriter(const FlatWriter&) = delete;
    FlatWriter& operator=(const FlatWriter&) = delete;

    void text(const char* s);
    void number(long v);
    // A rate in the shortest form that reads back as the same double.
    void rate(double v);
    // Flushes and closes; false (and error() says why) when any write failed.
    bool close();
    const std::string& error() const { return failure; }

private:
    void flush();
    std::string path;
    FILE* file = nullptr;
    std::vector<char> buffer;
    size_t used = 0;
    std::string failure;
    std::vector<std::pair<double, std::string>> rateTexts;  // the forms of recent rates
};

// The .pvtype file for steady-state PVs without time points; false with error on failure.
bool writeSteadyStatePVTypes(const std::string& base, const std::vector<std::string>& names,
                             std::string& error);

#endif
