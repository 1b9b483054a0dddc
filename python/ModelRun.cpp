// Opening a model by path and reading its PVs.
#include "python/ModelRun.h"

#include <stdexcept>

#include "pv/perfcdb.h"
#include "pv/pv_evaluation.h"
#include "statelevel/Chain/ChainStateLevel.h"
#include "statelevel/StateSpaceFormat.h"

// The base name: path without the extension of a state-space file.
static std::string baseOf(const std::string& path)
{
    static const char* const extensions[] = {".arm", ".var", ".pvtype", ".tra", ".lab", ".sta",
                                             ".srew", ".trew", ".pexp", ".drn"};
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    for (const char* e : extensions)
        if (path.compare(dot, std::string::npos, e) == 0) return path.substr(0, dot);
    return path;
}

static StateSpaceFormat formatOf(const std::string& base, const std::string& name)
{
    if (name.empty()) return state_space_format_found(base);
    StateSpaceFormat f;
    if (!state_space_format_named(name, f)) throw std::invalid_argument(unknown_format_text(name));
    return f;
}

std::unique_ptr<BaseStateLevel> openModel(const std::string& path, const std::string& format)
{
    const std::string base = baseOf(path);
    return std::unique_ptr<BaseStateLevel>(make_state_level(base, formatOf(base, format)));
}

std::string modelFormatName(const std::string& path, const std::string& format)
{
    const std::string base = baseOf(path);
    switch (formatOf(base, format)) {
    case StateSpaceFormat::Prism: return "prism";
    case StateSpaceFormat::Drn: return "drn";
    case StateSpaceFormat::Flat: break;
    }
    return "flat";
}

std::vector<ModelPV> modelPVs(BaseStateLevel& level)
{
    const int n = level.getNumberOfStates();
    std::vector<ModelPV> pvs(level.getNumberOfPVs());
    BaseStateLevel::PVBaseContainer* c = nullptr;
    BaseStateLevel::PVBaseIterator* it = nullptr;
    level.allocatePVContainer(c);
    level.allocatePVIterator(it);
    for (int i = 0; i < (int)pvs.size(); ++i) {
        pvs[i].name = level.getPVName(i);
        pvs[i].values.assign(n > 0 ? n : 0, 0.0);
        pv_state_values(&level, c, it, i, pvs[i].values);
        pvs[i].steadyState = pv_selected(&level, i, 3, -1.0);
    }
    level.deallocatePVIterator(it);
    level.deallocatePVContainer(c);
    if (auto* chain = dynamic_cast<ChainStateLevel*>(&level))
        for (int l : chain->label_pvs) pvs[l].label = true;
    return pvs;
}

std::vector<PVResult> evaluateModel(BaseStateLevel& level, const std::vector<double>& pi)
{
    std::vector<PVResult> results;
    for (ModelPV& pv : modelPVs(level)) {
        if (!pv.steadyState) continue;
        std::vector<double> probs(pi);
        results.push_back(pv_result((int)results.size(), pv.name, pv.values, probs));
    }
    return results;
}
