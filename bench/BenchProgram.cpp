// dss run as a whole process and read back from its JSON results.
#include "bench/BenchProgram.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace {

// A number of the document, or fallback when it is missing or null (a NaN is written as null).
double number(const nlohmann::json& object, const char* key, double fallback = -1)
{
    auto it = object.find(key);
    return it != object.end() && it->is_number() ? it->get<double>() : fallback;
}

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void copy(char* to, size_t size, const std::string& text)
{
    snprintf(to, size, "%s", text.c_str());
}

// "gs 1110, ilu 40 + 12 GMRES": each attempt with its sweeps, iterations or refinement passes.
std::string attemptsText(const nlohmann::json& attempts)
{
    std::string text;
    for (const nlohmann::json& a : attempts) {
        const std::string method = a.value("method", "?");
        const double work = number(a, method == "lu" ? "refinementPasses" : "iterations", 0);
        const double gmres = number(a, "gmresIterations", 0);
        text += (text.empty() ? "" : ", ") + method + " " + std::to_string((long)work);
        if (gmres > 0) text += " + " + std::to_string((long)gmres) + " GMRES";
    }
    return text;
}

// The phases of the run; the checks are counted apart from the rest of the solve.
void phasesFrom(const nlohmann::json& p, Figures& f)
{
    f.read = number(p, "reading");
    f.structure = number(p, "structureAnalysis");
    f.check = number(p, "checking");
    f.solve = number(p, "solving");
    if (f.solve >= 0 && f.check >= 0) f.solve -= f.check;
    f.pvs = number(p, "pvEvaluation");
    f.write = number(p, "writing");
}

std::vector<std::string> dssArgs(const std::string& base, const ProgramCall& call, const std::string& tag)
{
    const std::string dir = base.substr(0, base.rfind('/') + 1), name = base.substr(dir.size());
    std::vector<std::string> args = {DSS_BINARY, "-P", "bench", "-S", "bench", "-E", name, "-G", dir, "-s", dir,
                                     "-o", base + "." + tag + ".report.txt", "-j", base + "." + tag + ".json"};
    if (call.method != "default") args.insert(args.end(), {"-m", call.method});
    args.insert(args.end(), call.extra.begin(), call.extra.end());
    return args;
}

// The vector of the run: dss again, with every state's probability at full precision.
void writeVector(const ChildLimits& limits, const std::string& base, const ProgramCall& call,
                 const std::string& piPath)
{
    const std::string tag = call.method + ".vector", states = base + "." + tag + ".states";
    std::vector<std::string> args = dssArgs(base, call, tag);
    args.insert(args.end(), {"-f", "-O", states});
    runProgram(limits, args, base + "." + tag + ".log");
    std::vector<double> pi = readStateFile(states);
    unlink(states.c_str());
    if (pi.empty()) return;
    FILE* out = fopen(piPath.c_str(), "wb");
    if (out == nullptr) return;
    fwrite(pi.data(), sizeof(double), pi.size(), out);
    fclose(out);
}

}  // namespace

bool figuresFromJson(const std::string& text, const std::string& method, Figures& f)
{
    nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
    if (!doc.is_object() || !doc.contains("phases") || !doc.contains("attempts") || !doc.contains("solve"))
        return false;
    const nlohmann::json& attempts = doc["attempts"];
    const nlohmann::json& solve = doc["solve"];
    f.states = (long)number(doc["model"], "states", 0);
    f.transitions = (long)number(doc["model"], "transitions", 0);
    phasesFrom(doc["phases"], f);
    f.residual = number(solve, "checkResidual");
    f.complete = doc.value("valid", false) && solve.value("checkPassed", false);
    copy(f.attempts, sizeof f.attempts, attemptsText(attempts));
    if (!attempts.is_array() || attempts.empty()) return true;
    const nlohmann::json& last = attempts.back();
    const std::string used = last.value("method", "?");
    f.iterations = (int)number(last, used == "lu" ? "refinementPasses" : "iterations");
    const double gmres = number(last, "gmresIterations", 0), entries = number(last, "factorEntries", 0);
    f.gmres = gmres > 0 ? (int)gmres : -1;
    f.factorEntries = entries > 0 ? (long)entries : -1;
    // what auto and the default path ended with; a named method retried says so
    std::string shown = used;
    if (method == "auto" || method == "default") shown = method + ": " + used;
    if (attempts.size() > 1) shown += method == used ? " (retried)" : " (fallback)";
    copy(f.method, sizeof f.method, shown);
    return true;
}

std::vector<double> readStateFile(const std::string& path)
{
    std::vector<double> pi;
    FILE* in = fopen(path.c_str(), "r");
    if (in == nullptr) return pi;
    char line[256];
    long states = -1;
    // three lines of heading, the last with the number of states
    for (int k = 0; k < 3 && fgets(line, sizeof line, in) != nullptr; ++k)
        if (sscanf(line, "Number of States: %ld", &states) == 1) break;
    long i = 0;
    double p = 0;
    while (states > 0 && fscanf(in, "%ld, %lf", &i, &p) == 2 && i == (long)pi.size()) pi.push_back(p);
    fclose(in);
    if ((long)pi.size() != states) pi.clear();
    return pi;
}

ChildResult runDss(const ChildLimits& limits, const std::string& base, const ProgramCall& call,
                   const std::string& piPath)
{
    const std::string tag = call.method, json = base + "." + tag + ".json";
    unlink(json.c_str());  // a kept directory may hold an earlier run's
    ChildResult r = runProgram(limits, dssArgs(base, call, tag), base + "." + tag + ".log");
    if (r.timedOut) return r;
    if (!figuresFromJson(slurp(json), call.method, r.figures)) {
        r.failed = true;
        return r;
    }
    // status 1 with a JSON file: the answer failed its check
    r.failed = !r.figures.complete;
    if (!piPath.empty() && r.figures.complete) writeVector(limits, base, call, piPath);
    return r;
}
