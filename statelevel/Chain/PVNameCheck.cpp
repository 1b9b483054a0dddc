// PV names become parts of plot file names: they must be usable and distinct.
#include "statelevel/Chain/PVNameCheck.h"

#include "framework/InputError.h"

void require_pv_name(const ChainLineReader& in, const ChainModel& model, const std::string& name)
{
    if (!usable_pv_name(name))
        in.fault(shown_escaped(name),
                 "a PV name must be 1 to 103 characters without blanks or path separators");
    if (model.findPV(name) >= 0)
        in.fault(name, "this PV name is taken already (plot files would collide)");
}
