#include "installer/LibraryPlacement.h"

#include "InstallerTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kinetra::installer {
namespace {

using installertest::fileMode;
using installertest::readFile;

const QString kOld = QStringLiteral(KINETRA_TEST_LIBRARY_OLD);
const QString kNew = QStringLiteral(KINETRA_TEST_LIBRARY_NEW);
const QString kPlain = QStringLiteral(KINETRA_TEST_LIBRARY_PLAIN);

// An install folder and a system folder, each ready to receive a library.
class LibraryPlacementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir().mkpath(m_root.path() + QStringLiteral("/install")));
        ASSERT_TRUE(QDir().mkpath(m_root.path() + QStringLiteral("/system")));
    }

    QString source() const { return m_root.path() + QStringLiteral("/install/libArdenkit.so"); }
    QString destination() const { return m_root.path() + QStringLiteral("/system/libArdenkit.so"); }

    void put(const QString& library, const QString& where)
    {
        ASSERT_TRUE(QFile::copy(library, where)) << where.toStdString();
    }

    bool place() const { return CopyLibraryIfNewer(source().toStdString(), destination().toStdString()); }

    QTemporaryDir m_root;
};

TEST(ProductVersionTest, ReadFromTheVersionNote)
{
    EXPECT_EQ(ProductVersionOf(KINETRA_TEST_LIBRARY_OLD), "0.0.1");
    EXPECT_EQ(ProductVersionOf(KINETRA_TEST_LIBRARY_NEW), "99.0");
    EXPECT_EQ(ProductVersionOf(KINETRA_TEST_LIBRARY_PLAIN), "");
    EXPECT_EQ(ProductVersionOf("/nonexistent/libArdenkit.so"), "");
}

TEST_F(LibraryPlacementTest, NothingToDoWithoutASource)
{
    EXPECT_FALSE(place());
    EXPECT_FALSE(QFile::exists(destination()));
}

TEST_F(LibraryPlacementTest, MissingDestinationIsCopiedWithTheSourceMode)
{
    put(kOld, source());
    ASSERT_TRUE(QFile::setPermissions(source(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                    QFileDevice::ExeGroup));
    ASSERT_TRUE(place());
    EXPECT_EQ(readFile(destination()), readFile(kOld));
    EXPECT_EQ(fileMode(destination()), 0750);
    // Removing the source is the caller's part, after it has said so.
    EXPECT_TRUE(QFile::exists(source()));
    EXPECT_EQ(QDir(m_root.path() + QStringLiteral("/system"))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("libArdenkit.so")});
}

TEST_F(LibraryPlacementTest, OlderSourceLeavesTheSystemCopy)
{
    put(kOld, source());
    put(kNew, destination());
    EXPECT_FALSE(place());
    EXPECT_EQ(readFile(destination()), readFile(kNew));
}

TEST_F(LibraryPlacementTest, NewerOrEqualSourceReplacesTheSystemCopy)
{
    put(kNew, source());
    put(kOld, destination());
    ASSERT_TRUE(place());
    EXPECT_EQ(readFile(destination()), readFile(kNew));

    ASSERT_TRUE(QFile::remove(destination()));
    put(kNew, destination());
    EXPECT_TRUE(place());
}

TEST_F(LibraryPlacementTest, MissingNoteOnEitherSideCopies)
{
    put(kPlain, source());
    put(kNew, destination());
    ASSERT_TRUE(place());
    EXPECT_EQ(readFile(destination()), readFile(kPlain));

    ASSERT_TRUE(QFile::remove(source()));
    put(kOld, source());
    ASSERT_TRUE(place()); // against the plain one now in place
    EXPECT_EQ(readFile(destination()), readFile(kOld));
}

TEST_F(LibraryPlacementTest, ReplacedFileTakesTheSourceMode)
{
    put(kNew, source());
    put(kOld, destination());
    ASSERT_TRUE(QFile::setPermissions(source(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ReadGroup | QFileDevice::ReadOther));
    ASSERT_TRUE(QFile::setPermissions(destination(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_TRUE(place());
    EXPECT_EQ(fileMode(destination()), 0644);
}

TEST_F(LibraryPlacementTest, MissingSystemFolderFailsQuietly)
{
    put(kNew, source());
    EXPECT_FALSE(CopyLibraryIfNewer(source().toStdString(),
                                    (m_root.path() + QStringLiteral("/gone/libArdenkit.so")).toStdString()));
    EXPECT_TRUE(QFile::exists(source()));
}

TEST_F(LibraryPlacementTest, SourceThatIsTheDestinationIsLeftAlone)
{
    put(kNew, source());
    // The same file reached through a second name of its folder.
    ASSERT_TRUE(QFile::link(m_root.path() + QStringLiteral("/install"), m_root.path() + QStringLiteral("/alias")));
    EXPECT_FALSE(CopyLibraryIfNewer(source().toStdString(),
                                    (m_root.path() + QStringLiteral("/alias/libArdenkit.so")).toStdString()));
    EXPECT_EQ(readFile(source()), readFile(kNew));
}

} // namespace
} // namespace kinetra::installer
