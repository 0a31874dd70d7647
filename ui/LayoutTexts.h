// The texts of the main dialog in its two layouts, English and Simplified Chinese.
#pragma once

#include <QString>

enum class DialogLanguage { English, Chinese };

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
};

const LayoutTexts& TextsFor(DialogLanguage language);
