#include <Archivable.h>

#include <errno.h>
#include <string.h>

#include <Message.h>
#include <gtest/gtest.h>

#include "support/ClassRegistry.h"

// Found through the registry.
class RegisteredShape : public BArchivable {
public:
	RegisteredShape(int32 sides) : fSides(sides) {}
	RegisteredShape(BMessage* archive) : BArchivable(archive), fSides(archive->GetInt32("sides", 0))
	{
	}

	status_t Archive(BMessage* into, bool deep = true) const override
	{
		status_t status = BArchivable::Archive(into, deep);
		if (status != B_OK)
			return status;
		return into->AddInt32("sides", fSides);
	}

	static BArchivable* Instantiate(BMessage* archive)
	{
		if (!validate_instantiation(archive, "RegisteredShape"))
			return NULL;
		return new RegisteredShape(archive);
	}

	int32 fSides;
};

static BPrivate::InstantiationRegistrar sRegisteredShape("RegisteredShape",
                                                         &RegisteredShape::Instantiate);

// Not registered: found by its exported, mangled Instantiate (this test is
// linked with its symbols exported, as a library of archivable classes is).
class ExportedShape : public BArchivable {
public:
	ExportedShape() = default;
	ExportedShape(BMessage* archive) : BArchivable(archive) {}

	static BArchivable* Instantiate(BMessage* archive);
};

BArchivable* ExportedShape::Instantiate(BMessage* archive)
{
	if (!validate_instantiation(archive, "ExportedShape"))
		return NULL;
	return new ExportedShape(archive);
}

namespace outer {
namespace inner {
class NestedShape : public BArchivable {
public:
	struct Part : public BArchivable {};
};
} // namespace inner
} // namespace outer

TEST(Archivable, ArchiveAddsTheClassNameWithoutNamespaces)
{
	BMessage archive;
	RegisteredShape shape(5);
	ASSERT_EQ(shape.Archive(&archive), B_OK);
	EXPECT_STREQ(archive.GetString(B_CLASS_FIELD), "RegisteredShape");
	EXPECT_EQ(archive.GetInt32("sides", 0), 5);

	BMessage nested;
	outer::inner::NestedShape().Archive(&nested);
	outer::inner::NestedShape::Part().Archive(&nested);
	EXPECT_STREQ(nested.GetString(B_CLASS_FIELD, 0, NULL), "NestedShape");
	EXPECT_STREQ(nested.GetString(B_CLASS_FIELD, 1, NULL), "Part");

	EXPECT_EQ(outer::inner::NestedShape().Archive(NULL), B_BAD_VALUE);
}

TEST(Archivable, RegisteredClassesAreBuiltByName)
{
	BMessage archive;
	RegisteredShape(7).Archive(&archive);
	image_id image = 99;
	BArchivable* object = instantiate_object(&archive, &image);
	ASSERT_NE(object, nullptr);
	EXPECT_EQ(image, -1);
	RegisteredShape* shape = dynamic_cast<RegisteredShape*>(object);
	ASSERT_NE(shape, nullptr);
	EXPECT_EQ(shape->fSides, 7);
	delete object;

	EXPECT_EQ(find_instantiation_func("RegisteredShape"), &RegisteredShape::Instantiate);
	EXPECT_EQ(find_instantiation_func(&archive), &RegisteredShape::Instantiate);
}

TEST(Archivable, ExportedInstantiateIsFoundWithoutRegistration)
{
	BMessage archive;
	ExportedShape().Archive(&archive);
	EXPECT_EQ(find_instantiation_func("ExportedShape"), &ExportedShape::Instantiate);
	BArchivable* object = instantiate_object(&archive);
	EXPECT_NE(dynamic_cast<ExportedShape*>(object), nullptr);
	delete object;
}

TEST(Archivable, WrongAndUnknownClassesGiveNull)
{
	EXPECT_EQ(find_instantiation_func("NoSuchClass"), nullptr);
	BMessage unknown;
	unknown.AddString(B_CLASS_FIELD, "NoSuchClass");
	errno = 0;
	EXPECT_EQ(instantiate_object(&unknown), nullptr);
	EXPECT_NE(errno, 0);
	BMessage noClass;
	EXPECT_EQ(instantiate_object(&noClass), nullptr);
	EXPECT_EQ(instantiate_object(NULL), nullptr);

	// An Instantiate handed another class's archive refuses it.
	BMessage other;
	other.AddString(B_CLASS_FIELD, "SomethingElse");
	errno = 0;
	EXPECT_FALSE(validate_instantiation(&other, "RegisteredShape"));
	EXPECT_EQ(errno, B_MISMATCHED_VALUES);
	EXPECT_EQ(RegisteredShape::Instantiate(&other), nullptr);
	EXPECT_EQ(BArchivable::Instantiate(&other), nullptr);

	// Any listed name validates, as R5 archives list the bases too.
	other.AddString(B_CLASS_FIELD, "RegisteredShape");
	EXPECT_TRUE(validate_instantiation(&other, "RegisteredShape"));
	EXPECT_FALSE(validate_instantiation(&other, "Registered"));
	EXPECT_FALSE(validate_instantiation(NULL, "RegisteredShape"));
}

namespace {

int sLoads = 0;
bool sLoaderRegisters = true;

class LateShape : public BArchivable {
public:
	LateShape(BMessage* archive) : BArchivable(archive) {}

	static BArchivable* Instantiate(BMessage* archive)
	{
		if (!validate_instantiation(archive, "LateShape"))
			return NULL;
		return new LateShape(archive);
	}
};

status_t fake_loader(const char* signature, image_id* image)
{
	sLoads++;
	if (strcmp(signature, "application/x-vnd.test-shapes") != 0)
		return B_NAME_NOT_FOUND;
	if (sLoaderRegisters)
		BPrivate::register_instantiation_func("LateShape", &LateShape::Instantiate);
	*image = 42;
	return B_OK;
}

} // namespace

TEST(Archivable, AddOnIsLoadedForTheMostDerivedClassFirst)
{
	BPrivate::set_add_on_loader(&fake_loader);

	// The listed base is loaded, but the add-on must be tried before it.
	BMessage archive;
	archive.AddString(B_CLASS_FIELD, "LateShape");
	archive.AddString(B_CLASS_FIELD, "RegisteredShape");
	archive.AddString(B_ADD_ON_FIELD, "application/x-vnd.test-shapes");
	image_id image = -1;
	BArchivable* object = instantiate_object(&archive, &image);
	EXPECT_NE(dynamic_cast<LateShape*>(object), nullptr);
	EXPECT_EQ(image, 42);
	EXPECT_EQ(sLoads, 1);
	delete object;

	// Already loaded: no second load.
	object = instantiate_object(&archive, &image);
	EXPECT_NE(dynamic_cast<LateShape*>(object), nullptr);
	EXPECT_EQ(image, -1);
	EXPECT_EQ(sLoads, 1);
	delete object;

	BPrivate::unregister_instantiation_func("LateShape", &LateShape::Instantiate);
	EXPECT_EQ(find_instantiation_func("LateShape"), nullptr);
	EXPECT_EQ(find_instantiation_func("LateShape", "application/x-vnd.other"), nullptr);
	EXPECT_EQ(sLoads, 2);

	BPrivate::set_add_on_loader(NULL);
	EXPECT_EQ(find_instantiation_func("LateShape", "application/x-vnd.test-shapes"), nullptr);
	EXPECT_EQ(sLoads, 2);
}
