// One PV on a probability vector: its mean, its variance and its distribution over its
// distinct values, as the report, the plot files and the JSON results state them.
#ifndef VELMAR_PV_EVALUATION_H
#define VELMAR_PV_EVALUATION_H

#include <string>
#include <vector>

#include "framework/JsonResults.h"
#include "statelevel/BaseStateLevel.h"

// The value of PV pv in each of the values.size() states, walked with c and it; states the
// walk does not reach keep 0.
void pv_state_values(BaseStateLevel* level, BaseStateLevel::PVBaseContainer* c,
                     BaseStateLevel::PVBaseIterator* it, int pv, std::vector<double>& values);

// Sum over the states of value times probability, in state order.
double pv_mean(const std::vector<double>& values, const std::vector<double>& probs);

// Probability-weighted square distance from the mean: it cannot go negative as the
// difference of the second moment and the squared mean can.
double pv_variance(double mean, const std::vector<double>& values, const std::vector<double>& probs);

// Mean, variance and P(X = x) of the PV whose value in state j is values[j], state j having
// probability probs[j]; both are sorted by value on return.
PVResult pv_result(int index, const std::string& name, std::vector<double>& values,
                   std::vector<double>& probs);

#endif
