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

// Writes the PV's block with P(X = x) and P(X <= x) per point; nothing when csv is null.
void writeCSVFile(FILE* csv, BaseStateLevelSolver*, int experimentNumber, int pv, char* name,
                  double time, double time2, double mean, double variance, int n, double* x,
                  double* y)
{
    if (csv == nullptr) return;
    fprintf(csv, "## Exp Num, PV Num, PV Name, Start Time, Stop Time, Type, Mean, Variance,"
                 "NumDistPts\n");
    fprintf(csv, "%d,%d,%s,%lf,%lf,Results,%lf,%lf,%d\n", experimentNumber, pv,
            csv_field(name).c_str(), time, time2, mean, variance, n);
    fprintf(csv, "## Dist,x, P(X=x), P(X<=x)\n");
    double c = 0.0;
    for (int k = 0; k < n; ++k) {
        c += y[k];
        fprintf(csv, "Dist,%lf,%lf,%lf\n", x[k], y[k], c);
    }
    fprintf(csv, "\n");
}
