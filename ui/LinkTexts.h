// The texts of the line under the receive indicator, in both layouts: the link's health while a
// port is open or a file plays, the arrival of a subscribed topic's scans, and the model
// detection while the port is closed.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "acquisition/LinkHealth.h"
#include "run/OutputStage.h"
#include "run/ScannerProbe.h"
#include "ui/LayoutTexts.h"

// "7.0 rev/s  513 pts  0.0 % bad"; without packets what was heard instead. While playback holds
// a frame the same revolution is parsed again and again: "frame held" stands for a rate then.
QString HealthLineText(const LinkHealthFigures& figures, DialogLanguage language, bool frameHeld = false);
// Every figure, for the line's tooltip, with the revolutions each output dropped.
QString HealthDetailsText(const LinkHealthReading& reading, const LinkHealthFigures& figures,
                          const std::vector<OutputDrops>& drops, DialogLanguage language);

// A subscribed topic: "10.0 scans/s  360 pts"; while none comes, how long (or that none has come).
QString TopicRateText(double scansPerSecond, int points, DialogLanguage language);
QString TopicQuietText(bool anyCame, int seconds, DialogLanguage language);

// The names of the dialog's outputs, as the tooltip lists their drops.
struct OutputNames {
    QString view;
    QString recording;
    QString publishing;
    QString serving;
};
OutputNames OutputNamesFor(DialogLanguage language);

// The Detect button's caption: "Detect", or "Cancel" while detecting.
QString DetectCaption(bool detecting, DialogLanguage language);
QString DetectProgressText(const ProbeProgress& progress, DialogLanguage language);
// What the detection came to, in one line: what was heard, and which of the `offered` models
// send such packets.
QString DetectResultText(const ProbeResult& result, const QStringList& offered, DialogLanguage language);
