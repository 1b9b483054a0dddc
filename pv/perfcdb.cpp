// PV evaluation (to be completed).
#include "pv/perfcdb.h"

void perfcdb(BaseStateLevel*, BaseStateLevelSolver*, double*, FILE*, FILE*, int, int, double,
             double, int, bool, RewardType, char*, int)
{
}
