// A chain's rows set aside while Gauss-Seidel streams its packed transposed form, which holds
// every one of them: during the sweeps they cost no memory, and they come back bit for bit
// from that form for the check and for any method tried after.
#ifndef VELMAR_DSS_ROWSASIDE_H
#define VELMAR_DSS_ROWSASIDE_H

struct Generator;
struct PackedRows;

// True when q's rows can be rebuilt exactly from packTransposed(q): every row's targets
// strictly increasing (as the chain is read) and no rate zero (the packed form leaves zero
// rates out).
bool rowsComeBack(const Generator& q);

// q's targets and rates rebuilt from p = packTransposed(q); q.start and q.exitRate are read,
// never changed.
void rowsFromTransposed(const PackedRows& p, Generator& q);

// Lets q's targets and rates go when they can come back, and gives them back on giveBack()
// or at the latest when it ends. q may be null: then it keeps nothing aside.
class RowsAside {
public:
    RowsAside(Generator* q, const PackedRows& p);
    ~RowsAside();
    RowsAside(const RowsAside&) = delete;
    RowsAside& operator=(const RowsAside&) = delete;
    void giveBack();
    bool aside() const { return q != nullptr; }

private:
    Generator* q;
    const PackedRows& packed;
};

#endif
