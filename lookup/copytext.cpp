#include "lookup/copytext.h"

#include "siteconfig.h"

using namespace Qt::StringLiterals;

namespace lookup {

QString copyText(const QString &question, const QString &answer)
{
    const QChar cr = u'\r';
    return u"题目："_s + question + cr + u"答案："_s + answer + cr +
           u"(此答题内容来至ZembrikCorvanth智能答题器 "_s +
           QString::fromUtf16(site::zoneHomeAddress) + u')';
}

} // namespace lookup
