// Keeps the order of the process's argument vector across option scans.
#ifndef VELMAR_ARGVORDER_H
#define VELMAR_ARGVORDER_H

class ArgvOrder {
public:
    ArgvOrder(int argc, char** argv);
    ~ArgvOrder();
    ArgvOrder(const ArgvOrder&) = delete;
    ArgvOrder& operator=(const ArgvOrder&) = delete;

    // Forgets the saved order and saves the given vector's instead.
    void Save(int argc, char** argv);
    // Writes the saved pointers back into the live vector.
    void Restore();

private:
    char** saved = nullptr;
    char** live = nullptr;
    int count = 0;
};

#endif
