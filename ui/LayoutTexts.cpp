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
    {
        QStringLiteral("Playing %1\nStep: click the value right of Filter. Run: type auto in the Filter field, Return."),
        QStringLiteral("\nPress OPEN to start."),
        QStringLiteral("\nOPEN failed: the file plays without a port."),
        QStringLiteral("No frames in this file: %1"),
        QStringLiteral("Recording..."),
        QStringLiteral("Recording: %1"),
        QStringLiteral("%1 bytes"),
        QStringLiteral("%1 samples"),
        QStringLiteral("Recording full (%1): press RECORD_STOP to write it"),
        QStringLiteral("Written: %1"),
        QStringLiteral("No frame to write"),
        QStringLiteral("Nothing received: no file written"),
        QStringLiteral("Not written: %1"),
        QStringLiteral("Not written: %1 (kept)"),
        QStringLiteral("Recordings cannot be written: %2\n%1"),
        QStringLiteral("Showing the ROS 2 topic %1 (DDS %2), domain %3"),
        QStringLiteral("Saved: %1 and its .csv"),
        QStringLiteral("Not saved: %1"),
        QStringLiteral("No revolution to save"),
        QStringLiteral("Scans refused: angle_min or angle_increment is not a number; they are not drawn"),
        QStringLiteral("RECORD_DATA records a port's bytes; a subscribed window has none"),
        QStringLiteral("Playing %1\nIts LaserScans on "),
    },
    {
        QStringLiteral("Frozen"),
        QStringLiteral("The picture holds one revolution; receiving and recording go on. Space resumes."),
        QStringLiteral("&Freeze Picture\tSpace"),
        QStringLiteral("&Resume Picture\tSpace"),
        QStringLiteral("&Save Picture and Points\tCtrl+S"),
    },
    {
        QStringLiteral("Listens to the closed port at every baud rate and says which models send the packets "
                       "it hears. Escape cancels."),
        QStringLiteral("Samples in a packet of protocol 0, 20 to 200; Return applies it.\n"
                       "A data file dropped here is played back."),
        QStringLiteral("Threshold factor of the noise filter: a larger one keeps more returns; above 0, "
                       "Return applies it.\n"
                       "While a file plays: auto and Return runs it, a number holds each frame.\n"
                       "A data file dropped here is played back."),
        QStringLiteral("Readouts in the view's depth statistics, 1 to 500; Return applies it.\n"
                       "A data file dropped here is played back."),
    },
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
    {
        QStringLiteral("正在回放 %1\n单步：点击“滤波”右边的数值。连续：在“滤波”输入框中输入 auto 后按回车。"),
        QStringLiteral("\n按 OPEN 开始。"),
        QStringLiteral("\nOPEN 失败：文件在没有串口的情况下回放。"),
        QStringLiteral("此文件中没有帧：%1"),
        QStringLiteral("正在录制..."),
        QStringLiteral("正在录制：%1"),
        QStringLiteral("%1 字节"),
        QStringLiteral("%1 个采样点"),
        QStringLiteral("录制已满（%1）：按 RECORD_STOP 写入文件"),
        QStringLiteral("已写入：%1"),
        QStringLiteral("没有可写入的帧"),
        QStringLiteral("未收到数据：没有写入文件"),
        QStringLiteral("未写入：%1"),
        QStringLiteral("未写入：%1（数据已保留）"),
        QStringLiteral("无法写入录制文件：%2\n%1"),
        QStringLiteral("正在显示 ROS 2 话题 %1（DDS %2），域 %3"),
        QStringLiteral("已保存：%1 及同名 .csv 文件"),
        QStringLiteral("未保存：%1"),
        QStringLiteral("没有可保存的一圈数据"),
        QStringLiteral("已拒收扫描：angle_min 或 angle_increment 不是有限数值，不予显示"),
        QStringLiteral("RECORD_DATA 录制端口的字节；订阅话题的窗口没有端口数据"),
        QStringLiteral("正在回放 %1\nLaserScan 话题 "),
    },
    {
        QStringLiteral("已冻结"),
        QStringLiteral("画面停在一圈数据上，接收和录制继续进行。按空格键恢复刷新。"),
        QStringLiteral("冻结画面(&F)\t空格"),
        QStringLiteral("恢复刷新(&R)\t空格"),
        QStringLiteral("保存画面和点(&S)\tCtrl+S"),
    },
    {
        QStringLiteral("在未打开的串口上以各个波特率监听，说明收到的数据包来自哪些型号。按 Esc 取消。"),
        QStringLiteral("协议 0 每个数据包的采样点数，20 至 200，按回车生效。\n拖入此处的数据文件将被回放。"),
        QStringLiteral("噪点滤波的阈值系数：越大保留的回波越多；须大于 0，按回车生效。\n"
                       "回放文件时：输入 auto 后按回车连续播放，输入数值则逐帧停住。\n"
                       "拖入此处的数据文件将被回放。"),
        QStringLiteral("视图深度统计所用的读数个数，1 至 500，按回车生效。\n拖入此处的数据文件将被回放。"),
    },
};

}  // namespace

const LayoutTexts& TextsFor(DialogLanguage language)
{
    return language == DialogLanguage::Chinese ? CHINESE : ENGLISH;
}
