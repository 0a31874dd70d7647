#include "ui/LinkTexts.h"

#include <QStringList>

#include <string>
#include <vector>

#include "protocols/DeviceModel.h"
#include "run/ProbeReport.h"

namespace {

bool Chinese(DialogLanguage language)
{
    return language == DialogLanguage::Chinese;
}

QString Number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString Heard(const ProbeResult& result, DialogLanguage language)
{
    QStringList parts;
    for (const ProbeRateHeard& rate : result.rates) {
        parts << (Chinese(language) ? QStringLiteral("%2 波特收到 %1 字节") : QStringLiteral("%1 bytes at %2 baud"))
                     .arg(rate.bytes)
                     .arg(rate.baudRate);
    }
    return parts.join(Chinese(language) ? QStringLiteral("，") : QStringLiteral(", "));
}

QString Candidate(const ProbeCandidate& candidate, DialogLanguage language)
{
    return (Chinese(language) ? QStringLiteral("协议 %1，%2 波特") : QStringLiteral("protocol %1 at %2 baud"))
        .arg(candidate.protocol)
        .arg(candidate.baudRate);
}

// The names joined as a list is read: "A、B 或 C".
QString ChineseList(const std::vector<std::string>& names)
{
    QString text;
    for (size_t i = 0; i < names.size(); ++i) {
        text += i == 0 ? QString() : i + 1 == names.size() ? QStringLiteral(" 或 ") : QStringLiteral("、");
        text += QString::fromStdString(names[i]);
    }
    return text;
}

// What the packets show and no more: models that share a protocol and a baud rate send the same
// packets, so every offered model they fit is named, the one the list shows among them.
QString FoundText(const ProbeCandidate& found, const QStringList& offered, DialogLanguage language)
{
    std::vector<std::string> fitting;
    for (const DeviceModel* model : found.models) {
        if (offered.contains(QString::fromLatin1(model->szName)))
            fitting.emplace_back(model->szName);
    }
    if (fitting.empty()) {
        return (Chinese(language) ? QStringLiteral("检测到 %1（%2），但型号列表中没有")
                                  : QStringLiteral("Heard %1 (%2), which the model list does not offer"))
            .arg(QString::fromStdString(ProbeModelNames(found)), Candidate(found, language));
    }
    if (!Chinese(language))
        return QStringLiteral("Heard ") + QString::fromStdString(ProbeFindingText(found, fitting));
    return QStringLiteral("检测到%1：%2%3")
        .arg(Candidate(found, language), ChineseList(fitting),
             fitting.size() > 1 ? QStringLiteral("；这些型号的数据包相同，无法区分") : QString());
}

// A slow output loses its own oldest revolutions; how many, for each output.
QString DroppedText(const std::vector<OutputDrops>& drops, DialogLanguage language)
{
    QStringList parts;
    for (const OutputDrops& output : drops)
        parts << QStringLiteral("%1 %2").arg(QString::fromStdString(output.name)).arg(output.dropped);
    if (parts.isEmpty())
        return QString();
    return (Chinese(language) ? QStringLiteral("\n输出跟不上而丢弃的圈数：%1")
                              : QStringLiteral("\nRevolutions dropped by outputs that fell behind: %1"))
        .arg(parts.join(Chinese(language) ? QStringLiteral("，") : QStringLiteral(", ")));
}

}  // namespace

QString HealthLineText(const LinkHealthFigures& figures, DialogLanguage language, bool frameHeld)
{
    if (figures.packets == 0 && figures.bytesPerSecond <= 0.0)
        return Chinese(language) ? QStringLiteral("无数据") : QStringLiteral("no data");
    if (figures.packets == 0) {
        return (Chinese(language) ? QStringLiteral("%1 字节/秒，无数据包：型号对吗？")
                                  : QStringLiteral("%1 B/s, no packets: right model?"))
            .arg(Number(figures.bytesPerSecond, 0));
    }
    const QString rate = frameHeld ? (Chinese(language) ? QStringLiteral("定帧") : QStringLiteral("frame held"))
                                   : (Chinese(language) ? QStringLiteral("%1 转/秒") : QStringLiteral("%1 rev/s"))
                                         .arg(Number(figures.revolutionsPerSecond, 1));
    return (Chinese(language) ? QStringLiteral("%1  %2 点  坏包 %3 %") : QStringLiteral("%1  %2 pts  %3 % bad"))
        .arg(rate)
        .arg(figures.samples)
        .arg(Number(100.0 * figures.badShare, 1));
}

QString HealthDetailsText(const LinkHealthReading& reading, const LinkHealthFigures& figures,
                          const std::vector<OutputDrops>& drops, DialogLanguage language)
{
    const QString text = Chinese(language) ? QStringLiteral("每秒转数：%1\n"
                                                            "上一圈点数：%2，有回波：%3\n"
                                                            "每秒字节数：%4\n"
                                                            "自打开以来：通过 %5 包，校验失败 %6 包，跳过 %7 字节，未完成 %8 圈")
                                           : QStringLiteral("Revolutions per second: %1\n"
                                                            "Samples in the last revolution: %2, with a return: %3\n"
                                                            "Bytes per second: %4\n"
                                                            "Since OPEN: %5 packets passed, %6 failed their check "
                                                            "bytes, %7 bytes skipped, %8 revolutions cut short");
    return text.arg(Number(figures.revolutionsPerSecond, 2))
        .arg(figures.samples)
        .arg(figures.validSamples)
        .arg(Number(figures.bytesPerSecond, 0))
        .arg(reading.accepted)
        .arg(reading.rejected)
        .arg(reading.skipped)
        .arg(reading.cutShort) +
           DroppedText(drops, language);
}

QString TopicRateText(double scansPerSecond, int points, DialogLanguage language)
{
    return (Chinese(language) ? QStringLiteral("%1 帧/秒  %2 点") : QStringLiteral("%1 scans/s  %2 pts"))
        .arg(Number(scansPerSecond, 1))
        .arg(points);
}

QString TopicQuietText(bool anyCame, int seconds, DialogLanguage language)
{
    if (!anyCame)
        return Chinese(language) ? QStringLiteral("等待扫描数据") : QStringLiteral("waiting for scans");
    return (Chinese(language) ? QStringLiteral("%1 秒没有收到扫描") : QStringLiteral("no scans for %1 s")).arg(seconds);
}

OutputNames OutputNamesFor(DialogLanguage language)
{
    if (Chinese(language))
        return {QStringLiteral("视图"), QStringLiteral("录制"), QStringLiteral("ROS 2 发布"), QStringLiteral("Foxglove 服务")};
    return {QStringLiteral("view"), QStringLiteral("recording"), QStringLiteral("ROS 2 publishing"),
            QStringLiteral("Foxglove server")};
}

QString DetectCaption(bool detecting, DialogLanguage language)
{
    if (Chinese(language))
        return detecting ? QStringLiteral("取消") : QStringLiteral("检测");
    return detecting ? QStringLiteral("Cancel") : QStringLiteral("Detect");
}

QString DetectProgressText(const ProbeProgress& progress, DialogLanguage language)
{
    return (Chinese(language) ? QStringLiteral("正在以 %1 波特监听… %2 %") : QStringLiteral("Listening at %1 baud, %2 %"))
        .arg(progress.baudRate)
        .arg(static_cast<int>(100.0 * progress.done));
}

QString DetectResultText(const ProbeResult& result, const QStringList& offered, DialogLanguage language)
{
    switch (result.end) {
    case ProbeEnd::Cancelled:
        return Chinese(language) ? QStringLiteral("检测已取消") : QStringLiteral("Detection cancelled");
    case ProbeEnd::Lost:
        return Chinese(language) ? QStringLiteral("检测时串口断开") : QStringLiteral("The port went away while listening");
    case ProbeEnd::OpenFailed:
        // The reason goes into the message box that the dialog shows with it.
        return Chinese(language) ? QStringLiteral("无法打开串口") : QStringLiteral("Open Failed");
    case ProbeEnd::Listened:
        break;
    }
    if (const ProbeCandidate* found = result.Found())
        return FoundText(*found, offered, language);
    if (result.rival >= 0) {
        const ProbeCandidate& best = result.candidates[static_cast<size_t>(result.best)];
        const ProbeCandidate& rival = result.candidates[static_cast<size_t>(result.rival)];
        return (Chinese(language) ? QStringLiteral("无法确定：%1 与 %2 都有数据包")
                                  : QStringLiteral("No clear fit: %1 and %2 both passed packets"))
            .arg(Candidate(best, language), Candidate(rival, language));
    }
    return (Chinese(language) ? QStringLiteral("没有匹配的型号；%1") : QStringLiteral("No model fits; heard %1"))
        .arg(Heard(result, language));
}
