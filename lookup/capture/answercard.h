// What the answer window shows after a capture, as a value: the answer (or the two answers of
// near-twin questions, best first) under the question it answers, or a notice with what to
// do, or a short state text. Built here, drawn by AnswerWindow.
#pragma once

#include <QString>

#include <vector>

namespace capture {

struct AnswerCard
{
    enum class Kind {
        Answer, // entries: one answer, or two when the best two questions are near twins
        Notice, // title: what went wrong; hint: what to do
        State,  // title: a short state text ("自动识别：开")
    };
    struct Entry
    {
        QString question; // the store's question, shown small and elided
        QString answer;   // the stored answer, with its option letter when known

        bool operator==(const Entry &) const = default;
    };

    Kind kind = Kind::Notice;
    std::vector<Entry> entries;
    QString title;
    QString hint;
    QString footnote; // an aside below an answer (the region could not be saved, ...)

    bool operator==(const AnswerCard &) const = default;
};

// How long each kind stays when nobody clicks it: long enough to find the option and click,
// gone before the next question.
int showMilliseconds(AnswerCard::Kind kind);

// The answer as shown: "C．珠穆朗玛峰" when the capture showed the options and one of them
// holds the stored answer, else the answer alone.
QString answerWithOption(const QString &answer, const QString &optionLetter);

AnswerCard answerCard(std::vector<AnswerCard::Entry> entries);
AnswerCard noticeCard(const QString &title, const QString &hint = {});
AnswerCard stateCard(const QString &text);

// The line above two answers of near-twin questions.
inline constexpr char16_t kTwinsTitle[] = u"两道题目相近，请核对";

} // namespace capture
