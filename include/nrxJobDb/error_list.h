// Every error number the library raises: its number, the name code tests it by (err::kName) and
// its general sentence. The one list from which the constants of errors.h and ErrorText come.
//
// Include this file after defining NRX_ERROR(number, name, text); it undefines it again.
// Kept sorted by number.
//
// No include guard: each inclusion expands the list anew.

// Language runtime
NRX_ERROR(5, kInvalidCall, "Invalid procedure call or argument.")
NRX_ERROR(6, kOverflow, "Overflow: the value does not fit the target type.")
NRX_ERROR(7, kOutOfMemory, "Out of memory.")
NRX_ERROR(9, kSubscript, "Subscript out of range.")
NRX_ERROR(13, kTypeMismatch, "Type mismatch: the value cannot be converted to the type required.")
NRX_ERROR(53, kFileNotFound, "File not found.")
NRX_ERROR(58, kFileExists, "File already exists.")
NRX_ERROR(70, kPermissionDenied, "Permission denied: the file is in use elsewhere.")
NRX_ERROR(75, kPathAccess, "Path or file access error.")
NRX_ERROR(91, kObjectNotSet, "Object variable not set: an empty object reference was used.")
NRX_ERROR(94, kInvalidNull, "Invalid use of Null: a value is required.")

// Late-bound calls through the class registry
NRX_ERROR(429, kCannotCreateObject, "Cannot create the object: no registered class provides it.")
NRX_ERROR(438, kNoSuchMember, "Object doesn't support this property or method.")
NRX_ERROR(449, kArgumentNotOptional, "Argument not optional: a required argument is missing.")
NRX_ERROR(450, kWrongArgumentCount,
          "Wrong number of arguments: the member takes fewer than were passed.")

// Database engine
NRX_ERROR(3000, kSyntaxError, "Reserved error: the engine could not carry out the operation.")
NRX_ERROR(3003, kTooManyTransactions, "Too many nested transactions.")
NRX_ERROR(3010, kTableExists, "A table of this name already exists.")
NRX_ERROR(3015, kNoSuchIndex, "The table has no index of this name.")
NRX_ERROR(3019, kNoIndexSelected, "Operation invalid without a current index.")
NRX_ERROR(3020, kUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.")
NRX_ERROR(3021, kNoCurrentRecord, "No current record.")
NRX_ERROR(3022, kDuplicateKey,
          "The change would create a duplicate value in a unique index or primary key.")
NRX_ERROR(3023, kEditPending, "AddNew or Edit already used.")
NRX_ERROR(3024, kFileMissing, "The database file does not exist.")
NRX_ERROR(3027, kReadOnly, "Cannot update: the database or object is read-only.")
NRX_ERROR(3031, kNotValidPassword, "Not a valid password: the job cannot be opened with it.")
NRX_ERROR(3034, kNoTransaction, "Commit or rollback without a pending transaction.")
NRX_ERROR(3043, kDiskError, "Disk or network error while reading or writing the database file.")
NRX_ERROR(3044, kInvalidPath, "Not a valid path: the folder to hold the database does not exist.")
NRX_ERROR(3045, kFileInUse, "The file is already in use: it is held exclusively elsewhere.")
NRX_ERROR(3049, kNotADatabase,
          "The file cannot be opened as a database: it is not one, or it is damaged.")
NRX_ERROR(3058, kNullInPrimaryKey, "An index or primary key cannot hold a Null value.")
NRX_ERROR(3061, kTooFewParameters,
          "Too few parameters in the selection: a name is not a field of its table.")
NRX_ERROR(3070, kUnknownName,
          "The engine does not recognise a name in the expression as a field of the table.")
NRX_ERROR(3075, kExpressionSyntax, "Syntax error in expression.")
NRX_ERROR(3078, kNoSuchTable, "The engine cannot find the input table or query.")
NRX_ERROR(3128, kDeleteSyntax, "Syntax error in DELETE statement.")
NRX_ERROR(3131, kFromSyntax, "Syntax error in FROM clause.")
NRX_ERROR(3134, kInsertSyntax, "Syntax error in INSERT INTO statement.")
NRX_ERROR(3144, kUpdateSyntax, "Syntax error in UPDATE statement.")
NRX_ERROR(3163, kValueTooLong, "The value is too long for its field.")
NRX_ERROR(3167, kRecordDeleted, "The record has been deleted.")
NRX_ERROR(3191, kFieldTwice, "A field is defined more than once.")
NRX_ERROR(3204, kDatabaseExists, "The database already exists.")
NRX_ERROR(3251, kNotSupported, "Operation is not supported for this type of object.")
NRX_ERROR(3259, kInvalidFieldType, "Invalid field data type.")
NRX_ERROR(3264, kNoFields,
          "No field defined: a table definition or index needs at least one field.")
NRX_ERROR(3265, kItemNotFound, "Item not found in this collection.")
NRX_ERROR(3283, kPrimaryExists, "The table already has a primary key.")
NRX_ERROR(3284, kIndexExists, "The index already exists.")
NRX_ERROR(3290, kCreateTableSyntax, "Syntax error in CREATE TABLE statement.")
NRX_ERROR(3291, kCreateIndexSyntax, "Syntax error in CREATE INDEX statement.")
NRX_ERROR(3293, kAlterTableSyntax, "Syntax error in ALTER TABLE statement.")
NRX_ERROR(3295, kDropSyntax, "Syntax error in DROP TABLE or DROP INDEX statement.")
NRX_ERROR(3314, kNullInRequired, "The field cannot hold Null: a value is required.")
NRX_ERROR(3315, kZeroLength, "The field cannot hold a zero-length text.")
NRX_ERROR(3343, kUnrecognisedFormat, "Unrecognised database format.")
NRX_ERROR(3349, kNumericOverflow,
          "Numeric field overflow: the value does not fit the field's type.")
NRX_ERROR(3367, kAlreadyInCollection, "An object of this name is already in the collection.")
NRX_ERROR(3371, kNoSuchTableOrConstraint, "No such table or constraint.")
NRX_ERROR(3375, kIndexNameExists, "The table already has an index of this name.")
NRX_ERROR(3380, kFieldExists, "The table already has a field of this name.")
NRX_ERROR(3420, kObjectClosed, "The object is closed or no longer valid.")
NRX_ERROR(3421, kCannotConvert,
          "Data type conversion error: the value cannot be stored in the field's type.")
NRX_ERROR(3464, kCriteriaTypeMismatch, "Data type mismatch in criteria expression.")

#undef NRX_ERROR
