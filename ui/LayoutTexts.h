// The texts of the main dialog in its two layouts, English and Simplified Chinese.
#pragma once

#include <QString>

enum class DialogLanguage { English, Chinese };

// The note line (1028), naming the controls by their captions in the layout. "%1" stands for a
// file's path, a count or a reason, as each says.
struct NoteTexts {
    QString playing;            // %1 the file; then how to step and run
    QString pressOpen;          // a line more while nothing receives yet
    QString playingWithoutPort; // a line more after OPEN failed and the file plays instead
    QString noFrames;           // %1 the file
    QString recordingStarted;
    QString recording;          // %1 what is held: bytes or samples below
    QString bytes;              // %1 the count
    QString samples;            // %1 the count
    QString recordingFull;      // %1 what is held
    QString written;            // %1 the file
    QString noFrameToWrite;
    QString nothingReceived;
    QString notWritten;         // %1 the file
    QString notWrittenKept;     // %1 the file
    QString recordDirUnusable;  // %1 the directory, %2 why it cannot be used
    QString showingTopic;       // %1 the topic, %2 its DDS name, %3 the domain
    QString saved;              // %1 the picture's file; the points' file is beside it
    QString notSaved;           // %1 the file
    QString nothingToSave;
    QString scansRefused;        // said once, at the first scan a subscribed window refuses
    QString recordingSubscribed; // RECORD_DATA's tooltip in a subscribed window
    QString playingScans;        // %1 the recording; the topic follows
};

// Freezing the picture: the receive indicator's word while frozen, its tooltip, and the entries
// of the context menu outside the view, each followed by its key.
struct FreezeTexts {
    QString frozen;
    QString frozenTip;
    QString freeze;
    QString resume;
    QString save;
};

// What Detect and the edit fields do, on hovering over them.
struct ToolTipTexts {
    QString detect;
    QString pointNum;
    QString filterFactor;
    QString statPoints;
};

struct LayoutTexts {
    QString caption;
    QString portGroup;
    QString portLabel;
    QString modelLabel;
    QString rangeGroup;
    QString pointNumLabel;
    QString filter;
    QString statPointsLabel;  // empty: the layout has no statistics count (1026)
    QString compGroup;
    QString compNone;
    QString compFormula;
    QString compBins;
    QString floatFormat;      // empty: the layout has no float-format box (1024)
    QString publish;          // the publish box (1029), followed by the topic
    NoteTexts notes;
    FreezeTexts freeze;
    ToolTipTexts tips;
};

const LayoutTexts& TextsFor(DialogLanguage language);
