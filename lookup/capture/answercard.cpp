#include "lookup/capture/answercard.h"

namespace capture {

int showMilliseconds(AnswerCard::Kind kind)
{
    switch (kind) {
    case AnswerCard::Kind::Answer:
        return 8000;
    case AnswerCard::Kind::Notice:
        return 5000;
    case AnswerCard::Kind::State:
        return 1500;
    }
    return 5000;
}

QString answerWithOption(const QString &answer, const QString &optionLetter)
{
    if (optionLetter.isEmpty())
        return answer;
    // A full-width stop, as Chinese quiz options print it.
    return optionLetter + u'．' + answer;
}

AnswerCard answerCard(std::vector<AnswerCard::Entry> entries)
{
    AnswerCard card;
    card.kind = AnswerCard::Kind::Answer;
    if (entries.size() > 1)
        card.title = QString::fromUtf16(kTwinsTitle);
    card.entries = std::move(entries);
    return card;
}

AnswerCard noticeCard(const QString &title, const QString &hint)
{
    AnswerCard card;
    card.kind = AnswerCard::Kind::Notice;
    card.title = title;
    card.hint = hint;
    return card;
}

AnswerCard stateCard(const QString &text)
{
    AnswerCard card;
    card.kind = AnswerCard::Kind::State;
    card.title = text;
    return card;
}

} // namespace capture
