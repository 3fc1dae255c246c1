#include "app/windows/progress/ProgressRecords.h"

void fillProgressRecords(SkinButton* b) {
    b[0].id = kProgressClose;
    b[0].rect = {332, 9, 355, 45};
    setSkinText(b[0].caption, u"", u"");

    b[1].id = kProgressCancel;
    b[1].rect = {237, 201, 327, 235};
    setSkinText(b[1].caption, u"取消", u"Cancel");

    b[2].id = kProgressWarning;
    b[2].isLabel = 1;
    b[2].rect = {42, 116, 333, 135};
    setSkinText(b[2].caption, u"正在读写键盘，请勿插拔！", u"Keep the keyboard connected!");

    b[3].id = kProgressTitle;
    b[3].isLabel = 1;
    b[3].rect = {100, 13, 266, 45};
    setSkinText(b[3].caption, u"读写进度", u"Progress");

    b[4].id = kProgressCancelText;
    b[4].isLabel = 1;
    b[4].rect = {237, 209, 327, 235};
    setSkinText(b[4].caption, u"取消", u"Cancel");
}
