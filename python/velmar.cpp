// The extension velmar._core: the solver's core behind the functions of the package velmar.
// Arrays come in as numpy holds them and go out owning the C++ buffers they were computed in;
// the GIL is released while a chain is read or solved, and Ctrl-C stops a solve at its next
// interruption point.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "chain/Generator.h"
#include "framework/InputError.h"
#include "framework/Interruption.h"
#include "python/CsrStateLevel.h"
#include "python/MemorySolve.h"
#include "python/ModelRun.h"
#include "python/RecordDict.h"
#include "pv/pv_evaluation.h"

namespace py = pybind11;

namespace {

// A numpy array over the vector's buffer, which the array then owns: nothing is copied.
template <typename T>
py::array_t<T> owningArray(std::vector<T>&& v)
{
    auto* held = new std::vector<T>(std::move(v));
    py::capsule owner(held, [](void* p) { delete static_cast<std::vector<T>*>(p); });
    return py::array_t<T>((py::ssize_t)held->size(), held->data(), owner);
}

// Whether Python has a signal to handle (Ctrl-C): asked of the interpreter at most every 50 ms,
// with the GIL held for the moment of the question. A KeyboardInterrupt stays set on the
// thread for the caller to raise once the solve has unwound.
bool pythonAsksToStop()
{
    using Clock = std::chrono::steady_clock;
    static thread_local Clock::time_point last = Clock::now();
    const Clock::time_point now = Clock::now();
    if (now - last < std::chrono::milliseconds(50)) return false;
    last = now;
    py::gil_scoped_acquire held;
    return PyErr_CheckSignals() != 0;
}

// Runs work with the GIL released and Ctrl-C polled; a bad input comes out as ValueError with
// the program's message, an interrupted solve as the KeyboardInterrupt that stopped it.
template <typename Work>
auto withoutGil(Work work) -> decltype(work())
{
    struct PollInstalled {
        InterruptPoll previous = setInterruptPoll(pythonAsksToStop);
        ~PollInstalled() { setInterruptPoll(previous); }
    } installed;
    try {
        py::gil_scoped_release released;
        return work();
    } catch (const SolveInterrupted&) {
        throw py::error_already_set();
    } catch (const InputError& e) {
        std::string text = e.text();
        while (!text.empty() && text.back() == '\n') text.pop_back();
        if (!e.detail().empty()) text += "\n" + e.detail();
        throw py::value_error(text);
    } catch (const AccessException&) {
        throw py::value_error("This solver cannot be used along with the specified state space.");
    }
}

// An index array of numpy's, read in place: 32 or 64 bits, contiguous.
IndexArray indexArray(const py::array& a, const char* what)
{
    IndexArray out;
    if (a.ndim() != 1 || !(a.flags() & py::array::c_style))
        throw py::value_error(std::string(what) + " must be a contiguous one-dimensional array");
    if (a.dtype().is(py::dtype::of<int32_t>())) out.narrow = static_cast<const int32_t*>(a.data());
    else if (a.dtype().is(py::dtype::of<int64_t>())) out.wide = static_cast<const int64_t*>(a.data());
    else throw py::value_error(std::string(what) + " must hold 32- or 64-bit integers");
    return out;
}

// The view of a CSR matrix's arrays, checked for shape and for rates.
CsrView csrView(int n, const py::array& indptr, const py::array& indices, const py::array_t<double>& data)
{
    CsrView q;
    q.n = n;
    q.indptr = indexArray(indptr, "indptr");
    q.indices = indexArray(indices, "indices");
    if (data.ndim() != 1 || !(data.flags() & py::array::c_style))
        throw py::value_error("data must be a contiguous one-dimensional array of float64");
    q.data = data.data();
    if (indptr.size() != n + 1 || q.indptr[0] != 0 || q.indptr[n] != (int64_t)indices.size() ||
        indices.size() != data.size())
        throw py::value_error("the matrix's row pointers do not match its entries");
    for (int i = 0; i < n; ++i)
        if (q.indptr[i + 1] < q.indptr[i]) throw py::value_error("the matrix's row pointers fall at row " + std::to_string(i));
    std::string reason;
    int64_t bad = firstBadEntry(q, reason);
    if (bad >= 0) {
        int row = 0;
        while (q.indptr[row + 1] <= bad) ++row;
        throw py::value_error("Q[" + std::to_string(row) + ", " + std::to_string(q.indices[bad]) + "] = " +
                              py::repr(py::float_(q.data[bad])).cast<std::string>() + ": " + reason);
    }
    return q;
}

SolveSettings settingsOf(const std::string& method, bool methodGiven, double accuracy, double tolerance)
{
    SolveSettings s;
    s.method = methodGiven ? method : "lu";
    s.methodGiven = methodGiven;
    s.accuracy = accuracy;
    s.tolerance = tolerance;
    std::string fault = settingsFault(s);
    if (!fault.empty()) throw py::value_error(fault);
    return s;
}

py::tuple solveCsr(int n, const py::array& indptr, const py::array& indices, const py::array_t<double>& data,
                   const std::string& method, bool methodGiven, double accuracy, double tolerance, int initial,
                   const py::array_t<int32_t>& entryIndex, const py::array_t<double>& entryWeight)
{
    CsrView q = csrView(n, indptr, indices, data);
    SolveSettings settings = settingsOf(method, methodGiven, accuracy, tolerance);
    EntryView entry;
    entry.count = (int)entryIndex.size();
    entry.index = entryIndex.data();
    entry.weight = entryWeight.data();
    SolveOutcome out = withoutGil([&] {
        CsrStateLevel level(q, initial, entry);
        return solveLevel(level, settings);
    });
    if (entry.count > 0) {  // the entry state is no state of the caller's chain
        out.record.numStates -= 1;
        out.record.transitions -= entry.count;
        out.record.transientStates -= 1;
    }
    py::dict record = recordDict(out.record, out.seconds);
    return py::make_tuple(owningArray(std::move(out.pi)), record);
}

py::list pvList(const std::vector<PVResult>& results)
{
    py::list pvs;
    for (const PVResult& r : results)
        pvs.append(py::make_tuple(r.name, r.mean, r.variance, owningArray(std::vector<double>(r.x)),
                                  owningArray(std::vector<double>(r.p))));
    return pvs;
}

// The chain of a level in compressed rows as the program reads it (repeated transitions merged,
// self-loops left out), with its PVs.
py::dict chainDict(BaseStateLevel& level, Generator& q, std::vector<ModelPV>& pvs)
{
    py::dict d;
    d["states"] = q.n;
    d["initial"] = level.getInitialState();
    d["indptr"] = owningArray(std::move(q.start));
    d["indices"] = owningArray(std::move(q.target));
    d["data"] = owningArray(std::move(q.rate));
    py::list list;
    for (ModelPV& pv : pvs)
        list.append(py::make_tuple(pv.name, owningArray(std::move(pv.values)), pv.steadyState, pv.label));
    d["pvs"] = list;
    d["files"] = level.getFilesRead();
    d["warnings"] = level.input_warnings;
    return d;
}

py::dict readModel(const std::string& path, const std::string& format)
{
    std::string formatName = modelFormatName(path, format);
    std::unique_ptr<BaseStateLevel> level;
    Generator q;
    std::vector<ModelPV> pvs;
    withoutGil([&] {
        level = openModel(path, format);
        q = readGenerator(*level);
        pvs = modelPVs(*level);
        return 0;
    });
    py::dict d = chainDict(*level, q, pvs);
    d["format"] = formatName;
    return d;
}

py::dict solveModel(const std::string& path, const std::string& format, const std::string& method,
                    bool methodGiven, double accuracy, double tolerance)
{
    SolveSettings settings = settingsOf(method, methodGiven, accuracy, tolerance);
    std::string formatName = modelFormatName(path, format);
    std::unique_ptr<BaseStateLevel> level;
    SolveOutcome out;
    std::vector<PVResult> results;
    withoutGil([&] {
        level = openModel(path, format);
        out = solveLevel(*level, settings);
        results = evaluateModel(*level, out.pi);
        return 0;
    });
    py::dict d;
    d["record"] = recordDict(out.record, out.seconds);
    d["pi"] = owningArray(std::move(out.pi));
    d["pvs"] = pvList(results);
    d["format"] = formatName;
    d["initial"] = level->getInitialState();
    d["files"] = level->getFilesRead();
    d["warnings"] = level->input_warnings;
    return d;
}

py::tuple evaluatePV(const std::string& name, py::array_t<double, py::array::c_style | py::array::forcecast> values,
                     py::array_t<double, py::array::c_style | py::array::forcecast> pi)
{
    if (values.ndim() != 1 || pi.ndim() != 1 || values.size() != pi.size())
        throw py::value_error("the values of PV " + name + " and the probabilities differ in length");
    std::vector<double> v(values.data(), values.data() + values.size());
    std::vector<double> p(pi.data(), pi.data() + pi.size());
    PVResult r = pv_result(0, name, v, p);
    return py::make_tuple(r.mean, r.variance, owningArray(std::move(r.x)), owningArray(std::move(r.p)));
}

}  // namespace

PYBIND11_MODULE(_core, m)
{
    m.doc() = "The solver's core; use the functions of the package velmar.";
    m.def("solve_csr", &solveCsr, "Solves the chain of a CSR matrix; returns (pi, record).", py::arg("n"),
          py::arg("indptr"), py::arg("indices"), py::arg("data"), py::arg("method"), py::arg("method_given"),
          py::arg("accuracy"), py::arg("tolerance"), py::arg("initial"), py::arg("entry_index"),
          py::arg("entry_weight"));
    m.def("read_model", &readModel, "Reads a model's chain and PVs.", py::arg("path"), py::arg("format"));
    m.def("solve_model", &solveModel, "Reads, solves and evaluates a model.", py::arg("path"),
          py::arg("format"), py::arg("method"), py::arg("method_given"), py::arg("accuracy"),
          py::arg("tolerance"));
    m.def("evaluate_pv", &evaluatePV, "Mean, variance and distribution of one PV; (mean, variance, x, p).",
          py::arg("name"), py::arg("values"), py::arg("pi"));
}
