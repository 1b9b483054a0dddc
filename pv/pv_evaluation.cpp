// Moments and distribution of one PV.
#include "pv/pv_evaluation.h"

#include "pv/distribution.h"
#include "pv/dsort.h"

void pv_state_values(BaseStateLevel* level, BaseStateLevel::PVBaseContainer* c,
                     BaseStateLevel::PVBaseIterator* it, int pv, std::vector<double>& values)
{
    const size_t n = values.size();
    for (double& v : values) v = 0.0;
    level->getPV(c, pv);
    PVBuffer buf;
    size_t j = 0;
    for (c->begin(it, buf); !buf.at_end && j < n; it->next(buf), ++j) values[j] = buf.first + buf.second;
}

double pv_mean(const std::vector<double>& values, const std::vector<double>& probs)
{
    double mean = 0.0;
    for (size_t j = 0; j < values.size(); ++j) mean += values[j] * probs[j];
    return mean;
}

double pv_variance(double mean, const std::vector<double>& values, const std::vector<double>& probs)
{
    double v = 0.0;
    for (size_t j = 0; j < values.size(); ++j) {
        double d = values[j] - mean;
        v += probs[j] * (d * d);
    }
    return v;
}

PVResult pv_result(int index, const std::string& name, std::vector<double>& values, std::vector<double>& probs)
{
    PVResult r;
    r.index = index;
    r.name = name;
    r.mean = pv_mean(values, probs);
    r.variance = pv_variance(r.mean, values, probs);
    const int n = (int)values.size();
    dsort((unsigned long)n, values.data(), probs.data());
    r.x.resize(n);
    r.p.resize(n);
    const int distinct = pdf_points(n, probs.data(), values.data(), r.x.data(), r.p.data());
    r.x.resize(distinct);
    r.p.resize(distinct);
    return r;
}
