// JSON results through nlohmann-json; without it the option is refused on the command line.
#include "framework/JsonResults.h"
#include "framework/ProgramFace.h"
#include "framework/report_functions.h"

#ifdef VELMAR_HAVE_JSON
#include <nlohmann/json.hpp>

bool jsonResultsAvailable()
{
    return true;
}

// An object of the fields in their order of listing.
static nlohmann::ordered_json fields(const std::vector<JsonField>& list)
{
    nlohmann::ordered_json o = nlohmann::ordered_json::object();
    for (const JsonField& f : list) {
        if (f.kind == JsonField::Text) o[f.name] = f.text;
        else if (f.kind == JsonField::Flag) o[f.name] = f.value != 0.0;
        else if (f.kind == JsonField::Integer) o[f.name] = (long long)f.value;
        else o[f.name] = f.value;
    }
    return o;
}

// One PV with its distribution as [value, probability] pairs.
static nlohmann::ordered_json pvObject(const PVResult& pv)
{
    nlohmann::ordered_json o;
    o["index"] = pv.index;
    o["name"] = pv.name;
    o["mean"] = pv.mean;
    o["variance"] = pv.variance;
    nlohmann::ordered_json pairs = nlohmann::ordered_json::array();
    for (size_t k = 0; k < pv.x.size() && k < pv.p.size(); ++k) pairs.push_back({pv.x[k], pv.p[k]});
    o["distribution"] = pairs;
    return o;
}

std::string jsonResultsText(const JsonRun& run)
{
    nlohmann::ordered_json doc;
    doc["program"] = programFace().name;
    doc["version"] = getVelmarRelease();
    doc["model"] = {{"project", run.project},         {"study", run.study},
                    {"experiment", run.experiment},   {"stateSpacePath", run.stateSpacePath},
                    {"solverPath", run.solverPath},   {"states", run.states},
                    {"transitions", run.transitions}};
    doc["settings"] = fields(run.settings);
    doc["solve"] = fields(run.solve);
    nlohmann::ordered_json attempts = nlohmann::ordered_json::array();
    for (const std::vector<JsonField>& a : run.attempts) attempts.push_back(fields(a));
    doc["attempts"] = attempts;
    doc["phases"] = fields(run.phases);
    doc["valid"] = run.valid;
    nlohmann::ordered_json pvs = nlohmann::ordered_json::array();
    for (const PVResult& pv : run.pvs) pvs.push_back(pvObject(pv));
    doc["performanceVariables"] = pvs;
    // invalid UTF-8 in a name is replaced rather than ending the run
    return doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

#else

bool jsonResultsAvailable()
{
    return false;
}

std::string jsonResultsText(const JsonRun&)
{
    return "";
}

#endif
