// A key iterator that is always empty, for a store that has no file model.
#pragma once

#include "config/ConfigKeyIter.h"

namespace nZUEmbCfg {

class tNullKeyIterator : public rx_fwk::ConfigKeyIter {
public:
    bool next() override { return false; }
    bool atEnd() override { return true; }
    std::string key() override { return {}; }
    std::string value() override { return {}; }
};

}  // namespace nZUEmbCfg
