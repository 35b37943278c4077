-- Survey database: one file holds one survey year of one reporting collection.
-- The survey columns of dt_data and dt_data_dt_data are filled in from the
-- field catalogue (fieldlist.csv) at the marked place in each table.

-- A code is a whole number: a code stored as a fraction or a text would match
-- no lookup by code. Its range (1 to 9999999) is the editor's rule, not the
-- file's, since files from elsewhere may hold codes of 0 or below.
CREATE TABLE dt_data (
    c901 INTEGER NOT NULL UNIQUE CHECK (typeof(c901) = 'integer'),
    c902 TEXT,
    c903 INTEGER,
    c904 INTEGER,
    c905 TEXT,
    c906 TEXT,
    @SURVEY_COLUMNS@,
    RecordState INTEGER DEFAULT 0,
    stats TEXT
);

-- Work table of the imports: same columns, no uniqueness on c901; it keeps the
-- rows whose codes clashed.
CREATE TABLE dt_data_dt_data (
    c901 INTEGER,
    c902 TEXT,
    c903 INTEGER,
    c904 INTEGER,
    c905 TEXT,
    c906 TEXT,
    @SURVEY_COLUMNS@,
    RecordState INTEGER DEFAULT 0,
    stats TEXT
);

CREATE TABLE dt_fieldlist (
    ID INTEGER PRIMARY KEY,
    FieldName TEXT NOT NULL,
    ShowName TEXT,
    Hint TEXT,
    FieldWidth INTEGER DEFAULT 80,
    FieldType TEXT,
    Visible INTEGER DEFAULT 0,
    QueryShow INTEGER DEFAULT 1,
    QueryType INTEGER DEFAULT 0,
    PageID INTEGER DEFAULT -1,
    sequence INTEGER DEFAULT 0,
    printPageID INTEGER DEFAULT 0,
    printplace TEXT,
    Rule TEXT
);
CREATE INDEX dt_fieldlist_sequence ON dt_fieldlist (sequence);
CREATE INDEX dt_fieldlist_fieldname ON dt_fieldlist (FieldName COLLATE NOCASE);

CREATE TABLE CT_CityName (
    ID INTEGER PRIMARY KEY,
    Code1 INTEGER NOT NULL,
    Code2 INTEGER NOT NULL,
    Code3 INTEGER NOT NULL,
    Name TEXT NOT NULL,
    CombName TEXT NOT NULL
);
CREATE INDEX CT_CityName_Code1 ON CT_CityName (Code1, Code2, Code3);

CREATE TABLE CT_LevelCode (
    ID INTEGER PRIMARY KEY,
    Name TEXT NOT NULL,
    Sequence INTEGER NOT NULL
);

CREATE TABLE ct_sheetName (
    CodeID INTEGER PRIMARY KEY,
    CodeName TEXT NOT NULL
);

CREATE TABLE dt_logic (
    id INTEGER PRIMARY KEY,
    page_id INTEGER NOT NULL,
    expression TEXT NOT NULL,
    explain TEXT,
    focus TEXT,
    rule TEXT
);
CREATE INDEX dt_logic_page ON dt_logic (page_id);

CREATE TABLE ct_group (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT,
    AutoLowest INTEGER DEFAULT 0,
    AutoHighest INTEGER DEFAULT 0,
    GroupList TEXT
);

CREATE TABLE DT_GroupItem (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    GroupID INTEGER,
    Title TEXT,
    LowBoundary INTEGER,
    HighBoundary INTEGER,
    LowSymbol TEXT DEFAULT '>=',
    HighSymbol TEXT DEFAULT '<'
);

CREATE TABLE ct_label (
    db_name TEXT
);

-- Record list: every record with the names of its region and level.
CREATE VIEW view_data AS
SELECT d.*, city.CombName AS CityName, lv.Name AS LevelName
FROM dt_data d
LEFT JOIN CT_CityName city ON city.ID = d.c903
LEFT JOIN CT_LevelCode lv ON lv.ID = d.c904;

-- Column chooser: the catalogue with the caption of each field's page.
CREATE VIEW view_fieldlist AS
SELECT ID AS id, FieldName, Hint, PageID, sequence, Visible AS visible,
       CASE PageID
           WHEN 0 THEN '封面' WHEN 1 THEN '表1' WHEN 2 THEN '表2' WHEN 3 THEN '表3'
           WHEN 4 THEN '表4' WHEN 5 THEN '表4-续' WHEN 6 THEN '表5' WHEN 7 THEN '表6'
           WHEN 8 THEN '表7' WHEN 9 THEN '表8' WHEN 10 THEN '表9' WHEN 11 THEN '表10'
           WHEN 12 THEN '表11' WHEN 13 THEN '表12' ELSE '' END AS SheetName
FROM dt_fieldlist;

CREATE TRIGGER view_fieldlist_update INSTEAD OF UPDATE ON view_fieldlist
BEGIN
    UPDATE dt_fieldlist SET Visible = NEW.visible WHERE ID = OLD.id;
END;

-- Indicator search: every survey indicator with the number of its table
-- (pages 4 and 5 both belong to table 4) and its order.
CREATE VIEW view_datasearch AS
SELECT CASE WHEN PageID <= 4 THEN PageID ELSE PageID - 1 END AS PageID,
       sequence, FieldName AS CodeName, Hint
FROM dt_fieldlist
WHERE PageID >= 1;

CREATE VIEW view_group_list AS
SELECT id, name AS Name, GroupList, GroupList AS GroupListStr, AutoHighest, AutoLowest
FROM ct_group;

CREATE VIEW view_group_item AS
SELECT id, GroupID AS groupid, Title, LowBoundary, HighBoundary, LowSymbol, HighSymbol,
       LowSymbol || LowBoundary AS LowValue,
       HighSymbol || HighBoundary AS HighValue
FROM DT_GroupItem;

CREATE TRIGGER view_group_item_insert INSTEAD OF INSERT ON view_group_item
BEGIN
    INSERT INTO DT_GroupItem (GroupID, Title, LowBoundary, HighBoundary, LowSymbol, HighSymbol)
    VALUES (NEW.groupid, NEW.Title, NEW.LowBoundary, NEW.HighBoundary,
            coalesce(NEW.LowSymbol, '>='), coalesce(NEW.HighSymbol, '<'));
END;

CREATE TRIGGER view_group_item_update INSTEAD OF UPDATE ON view_group_item
BEGIN
    UPDATE DT_GroupItem
    SET GroupID = NEW.groupid, Title = NEW.Title,
        LowBoundary = NEW.LowBoundary, HighBoundary = NEW.HighBoundary,
        LowSymbol = NEW.LowSymbol, HighSymbol = NEW.HighSymbol
    WHERE id = OLD.id;
END;

CREATE TRIGGER view_group_item_delete INSTEAD OF DELETE ON view_group_item
BEGIN
    DELETE FROM DT_GroupItem WHERE id = OLD.id;
END;
