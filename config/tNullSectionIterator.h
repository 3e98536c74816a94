// A section iterator that is always empty, for a store that has no file model.
#pragma once

#include "config/ConfigSectionIter.h"

namespace nZUEmbCfg {

class tNullSectionIterator : public rx_fwk::ConfigSectionIter {
public:
    bool next() override { return false; }
    bool atEnd() override { return true; }
    std::string name() override { return {}; }
};

}  // namespace nZUEmbCfg
