-- Schema of the embedded database: the suite's master tables the module
-- reads, the module's own voucher tables, and the storage of the local
-- suite components (error log, audit trail, grid layouts).
--
-- Dates are kept as text 'yyyymmdd' (with ' hh:mm:ss' only when the time is
-- not midnight) in columns declared DATETEXT, so that comparisons with
-- 'yyyymmdd' literals give what SQL Server gives. Text columns compare
-- without regard to case, as the suite's database does; rights letters are
-- the exception, they are matched exactly.

CREATE TABLE aCompanyMaster (
  CompanyID INTEGER PRIMARY KEY,
  CompanyName VARCHAR(100) COLLATE NOCASE,
  currencyid INTEGER NOT NULL
);

CREATE TABLE aCurrencyMaster (
  CurrencyID INTEGER PRIMARY KEY,
  CurrencyName VARCHAR(50) COLLATE NOCASE,
  Symbol VARCHAR(10)
);

CREATE TABLE ExchangeRateDetail (
  ExchangeRateID INTEGER PRIMARY KEY,
  CompanyID INTEGER NOT NULL,
  CurrencyID INTEGER NOT NULL,
  SellingRate NUMERIC(18,6) NOT NULL,
  BuyingRate NUMERIC(18,6),
  RateDate DATETEXT
);
CREATE INDEX ixExchangeRateCurrency ON ExchangeRateDetail (CompanyID, CurrencyID);

CREATE TABLE aDepartmentMaster (
  DepartmentID INTEGER PRIMARY KEY,
  CompanyID INTEGER NOT NULL,
  DepartmentName VARCHAR(100) COLLATE NOCASE,
  Depcurrencyid INTEGER
);
CREATE INDEX ixDepartmentCompany ON aDepartmentMaster (CompanyID, DepartmentName);

CREATE TABLE agroupmaster (
  groupID INTEGER NOT NULL,
  companyid INTEGER NOT NULL,
  GroupName VARCHAR(100) COLLATE NOCASE,
  PRIMARY KEY (groupID, companyid)
);

CREATE TABLE aAccountMaster (
  AccountID INTEGER PRIMARY KEY,
  CompanyID INTEGER NOT NULL,
  AccountCode VARCHAR(20) COLLATE NOCASE,
  AccountDesc VARCHAR(100) COLLATE NOCASE,
  groupID INTEGER,
  CurrencyID INTEGER
);
CREATE INDEX ixAccountGroup ON aAccountMaster (CompanyID, groupID, AccountDesc);

-- Which accounts a department may use.
CREATE TABLE aDepartmentAccounts (
  daDepartmentid INTEGER NOT NULL,
  Accountid INTEGER NOT NULL,
  companyid INTEGER NOT NULL,
  PRIMARY KEY (daDepartmentid, Accountid)
);
CREATE INDEX ixDepartmentAccountsAccount ON aDepartmentAccounts (Accountid, companyid);
CREATE VIEW vwnoncontrolaccounts AS
  SELECT Accountid, companyid, daDepartmentid FROM aDepartmentAccounts;

CREATE TABLE adepControlAccounts (
  controlaccid INTEGER NOT NULL,
  CompanyID INTEGER NOT NULL,
  maindepid INTEGER NOT NULL
);
CREATE INDEX ixDepControlAccounts ON adepControlAccounts (controlaccid, CompanyID, maindepid);

CREATE TABLE asettings (
  companyid INTEGER PRIMARY KEY,
  bankgroupID INTEGER,
  cashgroupID INTEGER,
  fixedassetgroupid INTEGER,
  TradeDebtorAcID INTEGER,
  TradeCreditorAcID INTEGER,
  noofpreviousdays INTEGER
);

CREATE TABLE aCustomerMaster (
  CustomerID INTEGER PRIMARY KEY,
  CompanyID INTEGER NOT NULL,
  CustomerName VARCHAR(100) COLLATE NOCASE,
  CurrencyID INTEGER
);

CREATE TABLE MiscSettings (
  AccountsFreezeDate DATETEXT
);

CREATE TABLE ausers (
  userid INTEGER PRIMARY KEY,
  username VARCHAR(50) COLLATE NOCASE,
  UserGroupID INTEGER
);

CREATE TABLE lousers (
  userid INTEGER PRIMARY KEY,
  username VARCHAR(50)
);

CREATE TABLE AuserGroupDeptDetails (
  UserGroupID INTEGER NOT NULL,
  deptid INTEGER NOT NULL,
  PRIMARY KEY (UserGroupID, deptid)
);

CREATE TABLE auserrights (
  companyid INTEGER NOT NULL,
  userid INTEGER NOT NULL,
  interfaceid INTEGER NOT NULL,
  FunctionRights VARCHAR(20),
  PRIMARY KEY (companyid, userid, interfaceid)
);

CREATE TABLE aPrefix (
  PrefixID INTEGER PRIMARY KEY,
  Prefix VARCHAR(20),
  InterfaceID INTEGER NOT NULL,
  DepartmentId INTEGER,
  FinancialId INTEGER
);
CREATE INDEX ixPrefixInterface ON aPrefix (InterfaceID, FinancialId, DepartmentId);

CREATE TABLE afinancialyear (
  FinancialId INTEGER PRIMARY KEY,
  StartYear INTEGER NOT NULL,
  StartDate DATETEXT,
  EndDate DATETEXT,
  Description VARCHAR(50)
);

CREATE TABLE atables (
  tableid INTEGER PRIMARY KEY,
  tablename VARCHAR(100) COLLATE NOCASE
);

CREATE TABLE atablecolumns (
  tableid INTEGER NOT NULL,
  columnid INTEGER NOT NULL,
  columnheader VARCHAR(100),
  columnname VARCHAR(100),
  PRIMARY KEY (tableid, columnid)
);

CREATE TABLE KRVjournalheader (
  JournalID INTEGER PRIMARY KEY,
  companyid INTEGER NOT NULL,
  Type VARCHAR(10) COLLATE NOCASE,
  referenceno VARCHAR(50) COLLATE NOCASE,
  JournalDate DATETEXT,
  Amount NUMERIC(18,3),
  Narration VARCHAR(250),
  cancel INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX ixJournalReference ON KRVjournalheader (companyid, Type, referenceno, JournalDate);

-- The module's own tables.
CREATE TABLE aHqPettyCashPaymentHeader (
  phPaymentID INTEGER NOT NULL,
  phCompanyID INTEGER NOT NULL,
  phFinancialID INTEGER NOT NULL,
  phDepartmentID INTEGER NOT NULL,
  phPaymentNo VARCHAR(50) COLLATE NOCASE,
  phPaymentdate DATETEXT NOT NULL,
  phAccountID INTEGER NOT NULL,
  phPayee VARCHAR(150) COLLATE NOCASE,
  phReferenceno VARCHAR(50) COLLATE NOCASE,
  phRemarks VARCHAR(250) COLLATE NOCASE,
  phAmount NUMERIC(18,3) NOT NULL,
  phExRate NUMERIC(18,6),
  phDepExRate NUMERIC(18,6),
  phComExRate NUMERIC(18,6),
  phCancel INTEGER NOT NULL DEFAULT 0,
  phCancelRemarks VARCHAR(50),
  phPosted INTEGER NOT NULL DEFAULT 0,
  phUserName VARCHAR(50),
  phUpdateUserName VARCHAR(50),
  phUpdateTime DATETEXT,
  PRIMARY KEY (phCompanyID, phPaymentID)
);
-- The register (both department variants) and the searches.
CREATE INDEX ixPaymentRegister ON aHqPettyCashPaymentHeader (phCompanyID, phFinancialID, phPaymentdate);
CREATE INDEX ixPaymentRegisterDept ON aHqPettyCashPaymentHeader (phCompanyID, phDepartmentID, phFinancialID, phPaymentdate);
-- Numbering: running numbers per department and year, references per account.
CREATE INDEX ixPaymentNumber ON aHqPettyCashPaymentHeader (phDepartmentID, phFinancialID, phPaymentNo);
CREATE INDEX ixPaymentNumberYear ON aHqPettyCashPaymentHeader (phFinancialID, phPaymentNo);
CREATE INDEX ixPaymentAccount ON aHqPettyCashPaymentHeader (phAccountID, phPaymentID);
-- No two vouchers of a company share a number in a department and year, or a
-- reference: a save that meets one numbers again (the id is the primary key).
CREATE UNIQUE INDEX uxPaymentNumber ON aHqPettyCashPaymentHeader (phCompanyID, phFinancialID, phDepartmentID, phPaymentNo);
CREATE UNIQUE INDEX uxPaymentReference ON aHqPettyCashPaymentHeader (phCompanyID, phReferenceno);

CREATE TABLE aHqPettyCashPaymentDetails (
  pdCompanyID INTEGER NOT NULL,
  pdDepartmentID INTEGER NOT NULL,
  pdPaymentID INTEGER NOT NULL,
  pdDetailID INTEGER NOT NULL,
  pdDebitAccountID INTEGER NOT NULL,
  pdDescription VARCHAR(240),
  pdAmount NUMERIC(18,3) NOT NULL,
  pdExRate NUMERIC(18,6),
  PRIMARY KEY (pdCompanyID, pdPaymentID, pdDetailID)
);

-- The print-out's data source: one row per line of a voucher. The report
-- definition (reports/rptPCPayment.rpt) names the columns it prints.
CREATE VIEW vwPCPaymentCheckList AS
  SELECT h.phPaymentID, h.phCompanyID, c.CompanyName, h.phPaymentNo, h.phPaymentdate, h.phPayee,
         h.phReferenceno, h.phRemarks, h.phAmount, h.phExRate, h.phCancel, h.phCancelRemarks,
         h.phPosted, h.phUserName,
         dm.DepartmentName, ca.AccountCode AS CashAccountCode, ca.AccountDesc AS CashAccountDesc,
         cur.Symbol AS CashCurrency, cur.CurrencyName AS CashCurrencyName,
         d.pdDetailID, da.AccountCode AS DebitAccountCode,
         da.AccountDesc AS DebitAccountDesc, d.pdDescription, d.pdAmount, d.pdExRate,
         dcur.Symbol AS DebitCurrency
  FROM aHqPettyCashPaymentHeader h
  JOIN aCompanyMaster c ON c.CompanyID = h.phCompanyID
  LEFT JOIN aDepartmentMaster dm ON dm.DepartmentID = h.phDepartmentID
  LEFT JOIN aAccountMaster ca ON ca.AccountID = h.phAccountID
  LEFT JOIN aCurrencyMaster cur ON cur.CurrencyID = ca.CurrencyID
  LEFT JOIN aHqPettyCashPaymentDetails d ON d.pdCompanyID = h.phCompanyID AND d.pdPaymentID = h.phPaymentID
  LEFT JOIN aAccountMaster da ON da.AccountID = d.pdDebitAccountID
  LEFT JOIN aCurrencyMaster dcur ON dcur.CurrencyID = da.CurrencyID;

-- Storage of the local suite components. The embedded driver creates these
-- in a petty cash database that lacks them (core/SqliteFile.cpp holds the
-- same definitions; tests/test_database_files.cpp compares the two).
-- The float (imprest) of each cash account, the cash counts against it, the
-- denominations counted, the vouchers each count covers (a voucher once at
-- most: it is closed from then on), and the denominations of each currency.
CREATE TABLE aPCFloat (
  flCompanyID integer NOT NULL,
  flAccountID integer NOT NULL,
  flImprest NUMERIC(18,3) NOT NULL,
  flCustodianID integer,
  flSetBy varchar(50),
  flSetTime DATETEXT,
  PRIMARY KEY (flCompanyID, flAccountID)
);
CREATE TABLE aPCCashCount (
  ccCompanyID integer NOT NULL,
  ccCountID integer NOT NULL,
  ccCountNo varchar(50) COLLATE NOCASE NOT NULL,
  ccFinancialID integer NOT NULL,
  ccAccountID integer NOT NULL,
  ccCountDate DATETEXT NOT NULL,
  ccUserName varchar(50),
  ccFloat NUMERIC(18,3) NOT NULL,
  ccCounted NUMERIC(18,3) NOT NULL,
  ccVouchersTotal NUMERIC(18,3) NOT NULL,
  ccExpected NUMERIC(18,3) NOT NULL,
  ccDifference NUMERIC(18,3) NOT NULL,
  ccReplenishment NUMERIC(18,3) NOT NULL,
  ccExplanation varchar(250),
  PRIMARY KEY (ccCompanyID, ccCountID)
);
CREATE UNIQUE INDEX uxCashCountNo ON aPCCashCount (ccCompanyID, ccCountNo);
CREATE INDEX ixCashCountAccount ON aPCCashCount (ccCompanyID, ccAccountID, ccCountID);
CREATE TABLE aPCCashCountDenominations (
  cdCompanyID integer NOT NULL,
  cdCountID integer NOT NULL,
  cdLine integer NOT NULL,
  cdValue NUMERIC(18,3) NOT NULL,
  cdQuantity integer NOT NULL,
  cdAmount NUMERIC(18,3) NOT NULL,
  PRIMARY KEY (cdCompanyID, cdCountID, cdLine)
);
CREATE TABLE aPCCashCountVouchers (
  cvCompanyID integer NOT NULL,
  cvCountID integer NOT NULL,
  cvPaymentID integer NOT NULL,
  PRIMARY KEY (cvCompanyID, cvPaymentID)
);
CREATE INDEX ixCashCountVouchers ON aPCCashCountVouchers (cvCompanyID, cvCountID);
CREATE TABLE aCurrencyDenominations (
  dnCurrencyID integer NOT NULL,
  dnValue NUMERIC(18,3) NOT NULL,
  dnKind varchar(4) NOT NULL,
  dnOrder integer NOT NULL,
  PRIMARY KEY (dnCurrencyID, dnValue)
);

CREATE TABLE aErrorLog (
  ErrorID INTEGER PRIMARY KEY AUTOINCREMENT,
  LoggedAt DATETEXT,
  FormName VARCHAR(50),
  UserName VARCHAR(50),
  ProcedureName VARCHAR(50),
  ErrorNumber INTEGER,
  ErrorSource VARCHAR(100),
  ErrorDescription VARCHAR(1000),
  ExtraText VARCHAR(100),
  StatementText TEXT
);

CREATE TABLE aUserTrail (
  TrailID INTEGER PRIMARY KEY AUTOINCREMENT,
  CompanyID INTEGER,
  UserID INTEGER,
  DepartmentID INTEGER,
  InterfaceID INTEGER,
  PaymentID INTEGER,
  VoucherNo VARCHAR(50),
  Action VARCHAR(1),
  LoggedTime DATETEXT,
  SavedTime DATETEXT,
  Details VARCHAR(250)
);
CREATE INDEX ixUserTrailVoucher ON aUserTrail (CompanyID, PaymentID);

CREATE TABLE aGridLayout (
  UserID INTEGER NOT NULL,
  CompanyID INTEGER NOT NULL,
  GridName VARCHAR(50) NOT NULL,
  ColumnIndex INTEGER NOT NULL,
  WidthTwips INTEGER NOT NULL,
  PRIMARY KEY (UserID, CompanyID, GridName, ColumnIndex)
);
