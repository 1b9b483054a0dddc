// Copies of argv's pointers (never of its strings), restored after a scan.
#include "framework/ArgvOrder.h"

ArgvOrder::ArgvOrder(int argc, char** argv)
{
    Save(argc, argv);
}

ArgvOrder::~ArgvOrder()
{
    delete[] saved;
}

void ArgvOrder::Save(int argc, char** argv)
{
    delete[] saved;
    saved = nullptr;
    live = argv;
    count = argc > 0 ? argc : 0;
    if (count == 0 || argv == nullptr) {
        count = 0;
        return;
    }
    saved = new char*[count];
    for (int i = 0; i < count; ++i) saved[i] = argv[i];
}

void ArgvOrder::Restore()
{
    for (int i = 0; i < count; ++i) live[i] = saved[i];
}
