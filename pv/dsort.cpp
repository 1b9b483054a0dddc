// Heapsort with a companion array: O(n log n), no extra storage.
#include "pv/dsort.h"

// Sifts the element (key, comp) down from position i within positions 0..r.
static void sift_down(double* keys, double* companion, unsigned long i, unsigned long r,
                      double key, double comp)
{
    unsigned long j = 2 * i + 1;
    while (j <= r) {
        if (j < r && keys[j] < keys[j + 1]) ++j;
        if (!(keys[j] > key)) break;
        keys[i] = keys[j];
        companion[i] = companion[j];
        i = j;
        j = 2 * j + 1;
    }
    keys[i] = key;
    companion[i] = comp;
}

// Sorts keys[0..n-1] ascending; companion[k] moves with keys[k].
void dsort(unsigned long n, double* keys, double* companion)
{
    if (n < 2) return;
    for (unsigned long l = n / 2; l-- > 0;)
        sift_down(keys, companion, l, n - 1, keys[l], companion[l]);
    for (unsigned long r = n - 1; r >= 1; --r) {
        double key = keys[r];
        double comp = companion[r];
        keys[r] = keys[0];
        companion[r] = companion[0];
        sift_down(keys, companion, 0, r - 1, key, comp);
    }
}
