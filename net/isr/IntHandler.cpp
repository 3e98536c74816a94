#include "net/isr/IntHandler.h"

namespace rxfwk_isr {

bool IntHandler::Poll() {
    return false;
}

}  // namespace rxfwk_isr
