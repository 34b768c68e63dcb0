// A process whose first act is to hand the category lists to the engine: the recovery filter,
// made afterwards by the model, sorts files into their categories. Its own binary, so nothing
// made the filter before.
#include <gtest/gtest.h>

#include "testkit/TestFileNode.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/QNUIFilter.h"

namespace {

TEST(StartUp, CategoryListsHandedOverFirstReachTheFilterTheModelMakes) {
    uimodel::QNUIController::initFileType();
    uimodel::QNUIController::GetModel();  // the default model makes its scan and the filter
    IRecoveryFilter* pFilter = uimodel::QNUIFilter::instance().GetFilter();
    ASSERT_NE(pFilter, nullptr);
    testkit::CTestFileNode photo("photo.jpg"), movie("clip.MOV"), other("data.bin");
    EXPECT_EQ(pFilter->GetNodeFileType(&photo), FILTER_TYPE_PICTURE);
    EXPECT_EQ(pFilter->GetNodeFileType(&movie), FILTER_TYPE_MOVIE);
    uimodel::QNUIController::SetRecoveryType(FILTER_TYPE_PICTURE);
    EXPECT_TRUE(pFilter->IsFileNodeValid(&photo)) << "the tree builder keeps it";
    EXPECT_FALSE(pFilter->IsFileNodeValid(&other));
}

}  // namespace
