// Construction of the in-memory state level: grouping of the transitions,
// PV pairs and types, partitions.
#include "statelevel/Chain/ChainStateLevel.h"

typedef ChainStateLevel C;

// Groups transitions k (taken in the order `order`) by key[k]; the order
// within a group is kept. Returns the grouped order.
static std::vector<int64_t> groupBy(const std::vector<int>& key, const std::vector<int64_t>& order,
                                    int n, std::vector<int64_t>& start)
{
    start.assign((size_t)n + 1, 0);
    for (int64_t k : order) ++start[(size_t)key[k] + 1];
    for (int i = 0; i < n; ++i) start[i + 1] += start[i];
    std::vector<int64_t> next(start.begin(), start.end() - 1);
    std::vector<int64_t> grouped(order.size());
    for (int64_t k : order) grouped[next[key[k]]++] = k;
    return grouped;
}

// Fills a group's minor and rate arrays in the grouped order.
static void fillGroup(C::Grouped& g, const std::vector<int64_t>& grouped,
                      const std::vector<int>& minor, const std::vector<double>& rate)
{
    g.minor.resize(grouped.size());
    g.rate.resize(grouped.size());
    for (size_t p = 0; p < grouped.size(); ++p) {
        g.minor[p] = minor[grouped[p]];
        g.rate[p] = rate[grouped[p]];
    }
}

C::ChainStateLevel(ChainModel model)
    : num_states(model.num_states), initial_state(model.initial_state),
      pv_names(std::move(model.pv_names)), label_pvs(std::move(model.label_pvs)),
      files_read(std::move(model.files_read)),
      rewards_note(std::move(model.rewards_note))
{
    std::vector<int64_t> fileOrder(model.source.size());
    for (size_t k = 0; k < fileOrder.size(); ++k) fileOrder[k] = (int64_t)k;
    std::vector<int64_t> bySource = groupBy(model.source, fileOrder, num_states, rows.start);
    std::vector<int64_t>().swap(fileOrder);
    fillGroup(rows, bySource, model.target, model.rate);
    // sources ascend within each destination because the rows are taken in order
    std::vector<int64_t> byTarget = groupBy(model.target, bySource, num_states, columns.start);
    std::vector<int64_t>().swap(bySource);
    fillGroup(columns, byTarget, model.source, model.rate);
    std::vector<int64_t>().swap(byTarget);
    std::vector<int>().swap(model.source);
    std::vector<int>().swap(model.target);
    std::vector<double>().swap(model.rate);

    pv_values.resize(model.pv_values.size());
    for (size_t p = 0; p < model.pv_values.size(); ++p) {
        const std::vector<double>& values = model.pv_values[p];
        const std::vector<double>* rates =
            p < model.pv_rate_parts.size() && !model.pv_rate_parts[p].empty()
                ? &model.pv_rate_parts[p]
                : nullptr;
        pv_values[p].reserve(values.size());
        for (size_t s = 0; s < values.size(); ++s)
            pv_values[p].push_back(PVPair{values[s], rates ? (*rates)[s] : 0.0});
        std::vector<double>().swap(model.pv_values[p]);
        if (rates) std::vector<double>().swap(model.pv_rate_parts[p]);
        setType((int)p, p < model.pv_kinds.size() ? model.pv_kinds[p] : 3);
    }
    for (const std::string& line : model.warnings) inputWarning(line);
}

std::string C::getFilesRead()
{
    std::string list;
    for (const std::string& f : files_read) list += (list.empty() ? "" : ", ") + f;
    if (!rewards_note.empty()) list += "; " + rewards_note;
    return list;
}

// Boundaries floor(k * N / m) of m blocks of the N states.
static void fillPartition(Partition& p, int n)
{
    p.num_blocks = p.num_requested;
    p.bounds = new int[p.num_blocks > 0 ? p.num_blocks + 1 : 1];
    p.bounds[0] = 0;
    for (int k = 1; k <= p.num_blocks; ++k) p.bounds[k] = (int)((int64_t)k * n / p.num_blocks);
}

void C::getRowPartition(Partition& p) { fillPartition(p, num_states); }

void C::getColPartition(Partition& p) { fillPartition(p, num_states); }
