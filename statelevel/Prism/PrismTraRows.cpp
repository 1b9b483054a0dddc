// The row form of PRISM's transition file, one line per source:
// "source rate:destination rate:destination ...".
#include <string>

#include "statelevel/Chain/ChainLineReader.h"
#include "statelevel/Prism/PrismReaders.h"
#include "statelevel/RateText.h"

bool prism_rows_form(const FileLines& path)
{
    ChainLineReader in(path);
    if (!in.open() || !in.nextContent("#")) return false;
    // a row of a source without transitions is one word: the next line tells
    while (in.nextContent("#")) {
        LineWords w(in.text());
        std::string first, second;
        if (w.next(first) && w.next(second)) return second.find(':') != std::string::npos;
    }
    return false;
}

// Reads one row; returns its transitions, refusing any past `left`.
static int readRow(ChainLineReader& in, ChainModel& model, int left)
{
    LineWords w(in.text());
    std::string from, item;
    w.next(from);
    int s = prism_state(in, from, model.num_states, "source state");
    int read = 0;
    while (w.next(item)) {
        size_t colon = item.find(':');
        double rate = 0.0;
        if (colon == std::string::npos) in.fault(item, "a row's transitions read rate:destination");
        std::string r = item.substr(0, colon);
        RateText form = parse_real(r, rate) ? classify_rate(r, rate) : RateText::NotRate;
        if (form == RateText::NotRate) in.fault(r.empty() ? item : r, "a rate is a finite number of at least zero");
        if (form == RateText::Underflow) in.fault(r, rate_underflow_reason(rate));
        int j = prism_state(in, item.substr(colon + 1), model.num_states, "destination state");
        if (read == left) in.fault(item, "more transitions than the first line announces");
        model.addEdge(s, j, rate);
        ++read;
    }
    return read;
}

void read_prism_tra_rows(ChainLineReader& in, ChainModel& model, int transitions)
{
    for (int k = 0; k < transitions;) {
        if (!in.nextContent("#"))
            in.faultAtEnd("the file ends after " + std::to_string(k) + " of its " +
                          std::to_string(transitions) + " transitions");
        k += readRow(in, model, transitions - k);
    }
    if (in.nextContent("#"))
        in.fault(trim(in.text()), "more transitions than the first line announces");
}
