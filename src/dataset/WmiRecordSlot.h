#pragma once
// The dataset's own record slot: a row holder of its own, separate from the row
// buffer's, so that its cache belongs to the slot (internal to the dataset).

#include "dataset/WmiDataBuffer.h"
#include "dataset/WmiDataSet.h"

namespace tarnwick::dataset {

class TWmiDataSet::TRecordSlot : public db::TRecordBuffer {
public:
    TInterfaceHolder Holder{nullptr, 0};
};

} // namespace tarnwick::dataset
