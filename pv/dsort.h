// In-place heapsort of a key array that carries a companion array along.
#ifndef VELMAR_DSORT_H
#define VELMAR_DSORT_H

// Sorts keys[0..n-1] ascending; companion[k] moves with keys[k].
void dsort(unsigned long n, double* keys, double* companion);

#endif
