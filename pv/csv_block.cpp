// CSV block writer.
#include "pv/csv_block.h"

#include <string>

std::string csv_field(const char* text)
{
    std::string field = text;
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

#include "framework/BaseStateLevelSolver.h"
#include "framework/RunPhases.h"

// Writes the PV's block with P(X = x) and P(X <= x) per point; nothing when csv is null.
// With the solver's full precision the mean, the variance and the points carry 17 digits.
void writeCSVFile(FILE* csv, BaseStateLevelSolver* solver, int experimentNumber, int pv,
                  char* name, double time, double time2, double mean, double variance, int n,
                  double* x, double* y)
{
    if (csv == nullptr) return;
    PhaseTimer writing(solver != nullptr ? &solver->phases.writing : nullptr);
    fprintf(csv, "## Exp Num, PV Num, PV Name, Start Time, Stop Time, Type, Mean, Variance,"
                 "NumDistPts\n");
    const bool full = solver != nullptr && solver->fullPrecision;
    const char* row = full ? "%d,%d,%s,%lf,%lf,Results,%.17g,%.17g,%d\n"
                           : "%d,%d,%s,%lf,%lf,Results,%lf,%lf,%d\n";
    fprintf(csv, row, experimentNumber, pv, csv_field(name).c_str(), time, time2, mean, variance, n);
    fprintf(csv, "## Dist,x, P(X=x), P(X<=x)\n");
    double c = 0.0;
    for (int k = 0; k < n; ++k) {
        c += y[k];
        fprintf(csv, full ? "Dist,%.17g,%.17g,%.17g\n" : "Dist,%lf,%lf,%lf\n", x[k], y[k], c);
    }
    fprintf(csv, "\n");
}
