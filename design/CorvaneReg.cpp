#include "CorvaneReg.h"

#include "CorvaneDBComponents.h"
#include "CorvaneDialogs.h"
#include "CorvaneNVComponents.h"
#include "CorvaneVComponents.h"

namespace corvane::CorvaneReg {

void Register() {
    CorvaneVComponents::Register();
    CorvaneNVComponents::Register();
    CorvaneDBComponents::Register();
    CorvaneDialogs::Register();
}

}  // namespace corvane::CorvaneReg
