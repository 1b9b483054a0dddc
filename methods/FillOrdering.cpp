// AMD through SuiteSparse when it was found at build time.
#include "methods/FillOrdering.h"

#include <new>
#include <vector>

#include "chain/Generator.h"

#ifdef VELMAR_HAVE_AMD
#include <amd.h>

Ordering fillReducingOrdering(const Generator& q)
{
    // the pattern of Q^T by columns is that of Q by rows; AMD forms the symmetric pattern itself
    std::vector<SuiteSparse_long> ap(q.start.begin(), q.start.end());
    std::vector<SuiteSparse_long> ai(q.target.begin(), q.target.end());
    if (ap.empty()) ap.push_back(0);
    std::vector<SuiteSparse_long> p(q.n > 0 ? q.n : 1);
    const SuiteSparse_long status = amd_l_order(q.n, ap.data(), ai.data(), p.data(), nullptr, nullptr);
    if (status == AMD_OUT_OF_MEMORY) throw std::bad_alloc();
    if (status != AMD_OK && status != AMD_OK_BUT_JUMBLED) return reverseCuthillMcKee(q);
    Ordering o;
    o.name = "amd";
    o.oldOf.resize(q.n);
    o.newOf.resize(q.n);
    for (int k = 0; k < q.n; ++k) {
        o.oldOf[k] = (int)p[k];
        o.newOf[p[k]] = k;
    }
    return o;
}

#else

Ordering fillReducingOrdering(const Generator& q)
{
    return reverseCuthillMcKee(q);
}

#endif
