#include "PngConversion.h"

#include "PictureConvert.h"

#include <QCoreApplication>

namespace cli {
namespace {

class QtPngConversion final : public PngConversion
{
  public:
    QtPngConversion(const PakArchive &archive, const std::string &folder, bool usePathNames,
                    ExtractSettings settings, ExtractOwner *owner, bool keepOriginal)
        : m_archive(archive), m_usePathNames(usePathNames)
    {
        // Qt finds its image plugins (JPEG, GIF, ...) through the application
        // object, which only a conversion needs.
        if (QCoreApplication::instance() == nullptr)
            m_application = std::make_unique<QCoreApplication>(m_argc, m_argv);
        m_converter = std::make_unique<PictureConverter>(archive, folder, usePathNames, settings,
                                                         owner, keepOriginal);
    }

    PngOutcome Convert(int32_t index, const ExtractResult &extracted) override
    {
        PictureConverter::Outcome converted = m_converter->Convert(index, extracted);
        PngOutcome outcome;
        outcome.Picture = converted.Picture;
        outcome.Converted = converted.Converted;
        outcome.NotConverted = converted.NotConverted.toStdString();
        outcome.Png = std::move(converted.Png);
        outcome.OriginalRemoved = converted.OriginalRemoved;
        return outcome;
    }

    bool NeedsListOrder(const std::vector<int32_t> &indices) const override
    {
        return PictureConverter::NeedsListOrder(m_archive, indices, m_usePathNames);
    }

  private:
    const PakArchive &m_archive;
    bool m_usePathNames;
    int m_argc = 1;
    char m_name[13] = "vannerby-cli";
    char *m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QCoreApplication> m_application;
    std::unique_ptr<PictureConverter> m_converter;
};

} // namespace

std::unique_ptr<PngConversion> MakePngConversion(const PakArchive &archive,
                                                 const std::string &folder, bool usePathNames,
                                                 ExtractSettings settings, ExtractOwner *owner,
                                                 bool keepOriginal, std::string &)
{
    return std::make_unique<QtPngConversion>(archive, folder, usePathNames, settings, owner,
                                             keepOriginal);
}

} // namespace cli
