// The statistics text in both languages.

#include "WindowTestSupport.h"

#include "app/windows/main/StatisticsView.h"

namespace {
class Statistics : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        store->resetToDefaults();
    }
};
} // namespace

TEST_F(Statistics, BeforeAnyCounterRead) {
    store->deviceType = 3;
    store->language = "en-US";
    EXPECT_EQ(statisticsText(*store, -1),
              u"537RM(S)ZQ Programming Software [Ver 1.1.3]\r\n\r\nHighest:       Lowest:      "
              u"\r\n\r\nCounter: ");
    // Counts not read: nothing after the counter caption, the assignments follow.
    EXPECT_EQ(statisticsKeyDetails(*store, 30),
              u"\r\n\r\nTop layer Key: Single W\r\n\r\nFn layer Key: Not set \r\n");
    store->language = "zh-CN";
    EXPECT_EQ(statisticsText(*store, -1), u"537RM(S)ZQ 编程软件 [版本 1.1.3]\r\n\r\n高频键：      "
                                          u"低频键：     \r\n敲击次数：");
}

TEST_F(Statistics, CountsAndNamesInBothLanguages) {
    for (int k = 1; k <= 108; ++k)
        store->pressCounts[k] = 0;
    store->pressCounts[50] = 4;
    store->pressCounts[60] = 4;
    store->mostPressedKey = 50;
    store->leastPressedKey = 50;
    store->deviceType = 2;
    store->language = "en-US";
    EXPECT_EQ(statisticsText(*store, 50),
              u"537RM(S)ZQ.BLe Programming Software [Ver 1.1.3]\r\n\r\nHighest: K  Lowest: K "
              u"\r\n\r\nCounter: 4\r\n\r\nTop layer Key: Single K\r\n\r\nFn layer Key: Not set "
              u"\r\n");
    store->language = "zh-CN";
    store->keyMode[1][0] = 0;
    EXPECT_EQ(statisticsKeyDetails(*store, 1),
              u"0\r\n\r\n顶层键：未设置 \r\n\r\nFN组合键：操控键 " + store->keyDisplayText(1, 1) +
                  u"\r\n");
    store->deviceType = 4;
    EXPECT_EQ(statisticsHeader(*store).substr(0, 13), u"537RM(XRGB)ZQ");
    EXPECT_EQ(statisticsHeader(*store).substr(13, 1), u" ");
}

TEST_F(Statistics, OtherLanguageGivesNoText) {
    store->language = "de-DE";
    EXPECT_EQ(statisticsHeader(*store), u"");
    store->pressCounts[7] = 12;
    EXPECT_EQ(statisticsKeyDetails(*store, 7), u"12");
    EXPECT_EQ(statisticsKeyDetails(*store, 0), u"");
    EXPECT_EQ(statisticsKeyDetails(*store, 109), u"");
}
