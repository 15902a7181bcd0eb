#include "lookup/storenotice.h"

namespace lookup {

namespace {

QString cause(store::StoreError::Kind kind)
{
    switch (kind) {
    case store::StoreError::NotAFile:
        return QStringLiteral("不是普通文件");
    case store::StoreError::Unreadable:
        return QStringLiteral("无法读取文件");
    case store::StoreError::NotJet:
        return QStringLiteral("不是 Access 数据库");
    case store::StoreError::Corrupt:
        return QStringLiteral("数据库已损坏");
    case store::StoreError::WrongPassword:
        return QStringLiteral("数据库密码不符");
    case store::StoreError::NoTableCv:
        return QStringLiteral("数据库中没有表 cv");
    case store::StoreError::BadTable:
        return QStringLiteral("表 cv 缺少文本列 question、answer 或 pinyin");
    case store::StoreError::Engine:
        break;
    }
    return QStringLiteral("无法载入数据库");
}

} // namespace

QString storeNotice(const QString &path, const store::StoreError &error)
{
    return QStringLiteral("无法读取题库 %1：%2").arg(path, cause(error.kind));
}

} // namespace lookup
