// Writer of the ".splot" plot files.
#include "pv/splot.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

#include "framework/BaseStateLevelSolver.h"
#include "framework/OutputCheck.h"
#include "framework/RunPhases.h"
#include "framework/report_functions.h"

// Largest interval the "%d" field carries: the last step of the sequence below INT_MAX.
static const long long LARGEST_INTERVAL = 1000000000LL;

// Tick spacing of the X axis for a largest value xl: 1, 5, 10, 25, 50, 100, 250, ...
int splot_x_interval(double xl)
{
    double t = std::trunc(xl / 10.0 + 0.5);
    if (!(t > 1.0)) return 1;  // also a negative or NaN largest value
    if (t > (double)LARGEST_INTERVAL) return (int)LARGEST_INTERVAL;
    if (t <= 5.0) return 5;
    for (long long decade = 10;; decade *= 10) {
        if (t <= (double)decade) return (int)decade;
        if (t <= 2.5 * (double)decade) return (int)(decade * 5 / 2);
        if (t <= 5.0 * (double)decade) return (int)(decade * 5);
    }
}

// Writes the plot file at path; a file that cannot be created ends the run on report.
void writeSplotFile(char* path, char* title, BaseStateLevelSolver* solver, char* name,
                    double time, double mean, double variance, int n, double* x, double* y,
                    FILE* report)
{
    if (!solver->writePlots) return;  // -N
    PhaseTimer writing(solver != nullptr ? &solver->phases.writing : nullptr);
    OutputSink sink;
    FILE* f = open_output(path, &sink);
    if (f == nullptr) {
        open_failed(path);
        fatal_error(report, "plot_pdf: cannot open plot file");
    }
    double xl = n > 0 ? x[n - 1] : 0.0;
    double xmin = n > 0 ? x[0] : 0.0;
    fprintf(f, ";%s  pdf\n", name);
    fprintf(f, ";at time %1.15g\n", time);
    fprintf(f, "New Graph\n");
    fprintf(f, "Size 5 by 5\n\n");
    fprintf(f, "Graph Font HELVETICA15\n\n");
    fprintf(f, "Graph Title %s\n", title);
    fprintf(f, "New Text %f, %f\n", 0.05 * xl, 1.8);
    fprintf(f, "Variable name: %s\n", name);
    if (time >= 0) fprintf(f, "Time: %f\n", time);
    fprintf(f, "Mean: %f\n", mean);
    fprintf(f, "Variance: %f\n\n", variance);
    fprintf(f, "Text Font HELVETICA11\n\n");
    fprintf(f, "New Text %f, %f\n", 0.05 * xl, 1.65);
    fprintf(f, "Project name: %s\n", solver->projectName);
    fprintf(f, "Study name: %s\n", solver->studyName);
    fprintf(f, "Experiment name: %s\n\n", solver->experimentName);
    fprintf(f, "Text Font HELVETICA11\n\n");
    fprintf(f, "New Text %f, %f\n", 0.05 * xl, 1.5);
    fprintf(f, "\n");
    fprintf(f, "Text Font HELVETICA11\n\n");
    fprintf(f, "New Curve\n");
    fprintf(f, "curve symbol diamond size 3\n");
    fprintf(f, "curve type solid\n");
    fprintf(f, "curve gray 0.8\n");
    fprintf(f, "curve interpolation yhistogram\n\n");
    fprintf(f, "New Points\n");
    for (int k = 0; k < n; ++k) fprintf(f, "%1.15g, %1.15g\n", x[k], y[k]);
    fprintf(f, "\n");
    fprintf(f, "X Label %s - x\n", name);
    fprintf(f, "X Font Helvetica12BI\n");
    fprintf(f, "X Maximum %1.15g\n", 1.04 * xl);
    fprintf(f, "X Minimum %1.15g\n", xmin);
    fprintf(f, "X Interval %d\n", splot_x_interval(xl));
    fprintf(f, "Y Label Probability - P(X = x)\n");
    fprintf(f, "Y Font Helvetica12BI\n");
    fprintf(f, "Y Maximum 1.05\n");
    fprintf(f, "Y Minimum 0.00\n");
    fprintf(f, "Y Interval 0.1\n");
    fprintf(f, "Y numberstyle floating 2\n\n");
    bool inPlace = sink.temporary.empty();
    struct stat st;
    bool regular = inPlace && fstat(sink.fd, &st) == 0 && S_ISREG(st.st_mode);
    int reason = finish_output(f, &sink);  // a temporary file cut short is removed
    if (reason == 0) reason = commit_output(&sink);
    if (reason == 0) return;
    // a plot written in place and cut short is removed rather than left looking complete
    if (regular) remove(path);
    fprintf(stderr, "Error writing file %s: %s\n", path, strerror(reason));
    fflush(stderr);
    fatal_error(report, "plot_pdf: cannot write plot file");
}
