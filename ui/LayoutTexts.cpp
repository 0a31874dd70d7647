#include "ui/LayoutTexts.h"

namespace {

const LayoutTexts ENGLISH{
    QStringLiteral("Plotwell_FOR VORANEX"),
    QStringLiteral("Port Setting"),
    QStringLiteral("Port"),
    QStringLiteral("Mode"),
    QStringLiteral("Accuracy Display"),
    QStringLiteral("Point Num"),
    QStringLiteral("Filter"),
    QString(),
    QStringLiteral("Angle Compensate"),
    QStringLiteral("NO"),
    QStringLiteral("Formula"),
    QStringLiteral("ROS"),
    QString(),
    QStringLiteral("Publish"),
};

const LayoutTexts CHINESE{
    QStringLiteral("Tavix LiDAR V2.0"),
    QStringLiteral("串口设定"),
    QStringLiteral("串口"),
    QStringLiteral("型号"),
    QStringLiteral("显示精度"),
    QStringLiteral("设点数"),
    QStringLiteral("滤波"),
    QStringLiteral("均方差深度点数"),
    QStringLiteral("角度补偿"),
    QStringLiteral("无补偿"),
    QStringLiteral("公式补偿"),
    QStringLiteral("ROS四倍插值补偿"),
    QStringLiteral("浮点格式"),
    QStringLiteral("发布"),
};

}  // namespace

const LayoutTexts& TextsFor(DialogLanguage language)
{
    return language == DialogLanguage::Chinese ? CHINESE : ENGLISH;
}
